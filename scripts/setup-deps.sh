#!/bin/sh
# Installs the Debian packages the build and the tests need. Idempotent: installs only what
# is missing, and touches nothing when everything is there. Runs apt-get as root or via sudo.
set -eu

PACKAGES="
cmake ninja-build g++ pkg-config git
googletest libgtest-dev libgmock-dev
g++-mingw-w64-x86-64-posix mingw-w64-tools
wine64 xvfb xserver-xephyr xauth x11-utils xdotool imagemagick fonts-wqy-microhei weston xwayland
libudev-dev nlohmann-json3-dev libwayland-dev libxcb-randr0-dev libxcb-xinput-dev qt6-base-dev qt6-qpa-plugins qt6-wayland qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools python3
qt6-translations-l10n
clang libclang-rt-14-dev clang-format
qemu-system-x86 busybox-static cpio
xserver-xorg-core xserver-xorg-video-dummy xserver-xorg-input-libinput xinput x11-xserver-utils udev
dpkg-dev desktop-file-utils appstream lintian unzip msitools wixl
"

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q $missing
