#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the packages of one preset's build tree and checks them as a packager would.
#   check-packages.sh linux    the .deb (and .tar.gz): unpacked with dpkg -x into a throw-away
#                              root; file list, stripped programs, udev rule, Depends,
#                              desktop-file-validate, appstreamcli validate, lintian when
#                              present (errors fail, other findings are printed), and
#                              `norvessa --help` run from the unpacked tree.
#   check-packages.sh windows  the .zip and the .msi: the zip's file list, the stripped
#                              norvessa.exe under 600 KB; then under Wine, in a throw-away
#                              prefix: an older .msi installed and replaced by this one,
#                              the installed files, the Start menu shortcut, the Apps and
#                              Features entry, `norvessa.exe --version` from the install
#                              folder, and an uninstall that leaves nothing behind.
# NORVESSA_BUILD_DIR names the build tree (default build/<preset>).
# Ends with "packages: N passed, M failed" and fails when any check failed.
set -eu
cd "$(dirname "$0")/.."
preset=${1:-linux}
build=${NORVESSA_BUILD_DIR:-build/$preset}
passed=0
failed=0

check() {
    name=$1
    shift
    if "$@" >"$work/check.log" 2>&1; then
        passed=$((passed + 1))
        echo "ok: $name"
    else
        failed=$((failed + 1))
        echo "FAILED: $name"
        sed 's/^/    /' "$work/check.log"
    fi
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$(mktemp -d)
cleanup() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null || true
    fi
    if [ -n "${NORVESSA_XVFB_PID:-}" ]; then
        kill "$NORVESSA_XVFB_PID" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Every file the package must hold, and no other.
expected_linux_files() {
    cat <<LIST
./usr/bin/norvessa
./usr/lib/udev/rules.d/70-norvessa.rules
./usr/libexec/norvessa/norvessa-probe
./usr/share/applications/org.norvessa.Norvessa.desktop
./usr/share/doc/norvessa/changelog.gz
./usr/share/doc/norvessa/copyright
LIST
    for size in 128 16 22 24 256 32 48 64; do
        echo "./usr/share/icons/hicolor/${size}x${size}/apps/org.norvessa.Norvessa.png"
    done
    cat <<LIST
./usr/share/icons/hicolor/scalable/apps/org.norvessa.Norvessa.svg
./usr/share/man/man1/norvessa.1.gz
./usr/share/metainfo/org.norvessa.Norvessa.metainfo.xml
LIST
}

file_list_is() {
    expected=$1
    actual=$2
    diff -u "$expected" "$actual"
}

# objdump reads both ELF and PE; a stripped program has no symbol table and no debug sections.
has_no_debug_info() {
    for program in "$@"; do
        sections=$(objdump -h "$program") || return 1
        symbols=$(objdump -t "$program") || return 1
        if echo "$sections" | grep -qE '\.debug_' || ! echo "$symbols" | grep -q '^no symbols'; then
            echo "$program still carries symbols or debug info"
            return 1
        fi
    done
}

rule_names_installed_probe() {
    root=$1
    probe=$(sed -n 's/.*PROGRAM="\([^ "]*\).*/\1/p' "$root/usr/lib/udev/rules.d/70-norvessa.rules")
    echo "rule runs: $probe"
    [ "$probe" = /usr/libexec/norvessa/norvessa-probe ] && [ -x "$root$probe" ]
}

depends_found_by_shlibdeps() {
    depends=$(dpkg-deb -f "$1" Depends)
    echo "Depends: $depends"
    for library in libqt6widgets6 libudev1 libc6; do
        echo "$depends" | grep -q "$library" || return 1
    done
}

lintian_has_no_errors() {
    if ! command -v lintian >/dev/null 2>&1; then
        echo "lintian not installed: skipped"
        return 0
    fi
    lintian --tag-display-limit 0 "$1" >"$work/lintian.log" 2>&1 || true
    cat "$work/lintian.log"
    ! grep -q '^E: ' "$work/lintian.log"
}

help_runs_without_display() {
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" --help)
    echo "$output" | head -n 1
    echo "$output" | head -n 1 | grep -q '^Usage: norvessa '
}

check_linux() {
    cmake --build "$build" --target norvessa norvessa-probe norvessa_documents
    (cd "$build" && cpack -G "DEB;TGZ" >"$work/cpack.log" 2>&1) || {
        cat "$work/cpack.log"
        exit 1
    }
    deb=$build/packages/norvessa_${version}_amd64.deb
    check "the .deb is named norvessa_${version}_amd64.deb" test -f "$deb"
    check "the .tar.gz is there" test -f "$build/packages/norvessa-$version-linux-amd64.tar.gz"
    root=$work/root
    dpkg -x "$deb" "$root"
    expected_linux_files | sort >"$work/expected"
    (cd "$root" && find . -type f -o -type l) | sort >"$work/actual"
    check "file list" file_list_is "$work/expected" "$work/actual"
    check "programs stripped" has_no_debug_info "$root/usr/bin/norvessa" \
        "$root/usr/libexec/norvessa/norvessa-probe"
    check "udev rule runs the installed probe" rule_names_installed_probe "$root"
    check "Depends computed by dpkg-shlibdeps" depends_found_by_shlibdeps "$deb"
    dpkg-deb -e "$deb" "$work/control"
    check "postinst reloads udev" grep -q 'udevadm control --reload' "$work/control/postinst"
    check "desktop-file-validate" desktop-file-validate \
        "$root/usr/share/applications/org.norvessa.Norvessa.desktop"
    check "appstreamcli validate" appstreamcli validate --no-net \
        "$root/usr/share/metainfo/org.norvessa.Norvessa.metainfo.xml"
    check "lintian: no errors" lintian_has_no_errors "$deb"
    check "norvessa --help from the unpacked tree" help_runs_without_display \
        "$root/usr/bin/norvessa"
}

# The program ships as one file; the limit catches a change that drags in a large part of the
# C++ runtime or a large resource.
exe_under_600_kb() {
    size=$(stat -c %s "$1")
    echo "norvessa.exe: $size bytes (limit 614400)"
    [ "$size" -lt 614400 ]
}

WINE=wine
[ -x /usr/lib/wine/wine64 ] && WINE=/usr/lib/wine/wine64

# A prefix of its own, so nothing an earlier run or the build's tests installed can make a
# check pass.
start_wine() {
    export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all
    # No Linux menu entry for the shortcut, no offer to install Mono or Gecko.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # shellcheck source=scripts/lib/xvfb.sh
    . scripts/lib/xvfb.sh
    norvessa_start_xvfb
    trap cleanup EXIT
    "$WINE" wineboot --init >/dev/null 2>&1 || true
    wineserver -w
}

# The path Wine's drive Z: gives a Unix file.
windows_path() {
    printf 'Z:%s' "$(realpath "$1")" | sed 's|/|\\|g'
}

install_msi() {
    "$WINE" msiexec /i "$(windows_path "$1")" /qn
}

uninstall_msi() {
    "$WINE" msiexec /x "$(windows_path "$1")" /qn
}

msi_product_code() {
    msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p'
}

uninstall_key() {
    echo "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1"
}

registry_has_key() {
    "$WINE" reg query "$1" >/dev/null 2>&1
}

registry_value() {
    "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}

older_version_replaced() {
    older=$1
    newer=$2
    echo "older $older, this one $newer"
    registry_has_key "$(uninstall_key "$newer")" || return 1
    ! registry_has_key "$(uninstall_key "$older")"
}

installed_files_are_the_zips() {
    installed=$1
    top=$2
    printf '%s\n' ./LICENSE ./README.txt ./norvessa.exe >"$work/expected-installed"
    (cd "$installed" && find . -type f) | sort >"$work/installed"
    diff -u "$work/expected-installed" "$work/installed" &&
        cmp "$installed/norvessa.exe" "$top/norvessa.exe"
}

# Windows puts a per-machine install's shortcut under ProgramData; Wine's msi resolves
# ProgramMenuFolder to the user's Start menu whatever ALLUSERS says. Both count, once.
start_menu_shortcuts() {
    find "$WINEPREFIX/drive_c/ProgramData" "$WINEPREFIX/drive_c/users" \
        -path '*/Start Menu/Programs/Norvessa.lnk' 2>/dev/null
}

shortcut_starts_installed_program() {
    links=$(start_menu_shortcuts)
    echo "shortcuts: ${links:-none}"
    [ -n "$links" ] && [ "$(echo "$links" | wc -l)" -eq 1 ] &&
        grep -aqF 'C:\Program Files\Norvessa\norvessa.exe' "$links"
}

apps_entry_names_version_and_publisher() {
    key=$(uninstall_key "$1")
    shown=$(registry_value "$key" DisplayVersion)
    publisher=$(registry_value "$key" Publisher)
    echo "DisplayVersion: $shown; Publisher: $publisher"
    [ "$shown" = "$version" ] && [ "$publisher" = "The Norvessa developers" ]
}

# A GUI program: with its output redirected it writes there, not into a message box.
version_from_install_folder() {
    (cd "$1" && "$WINE" 'C:\Program Files\Norvessa\norvessa.exe' --version) \
        >"$work/version.out" || return 1
    printed=$(tr -d '\r' <"$work/version.out")
    echo "printed: $printed"
    [ "$printed" = "Norvessa $version" ]
}

uninstall_leaves_nothing() {
    left=$(
        find "$WINEPREFIX/drive_c/Program Files" -maxdepth 1 -name Norvessa
        start_menu_shortcuts
    )
    for key in "$(uninstall_key "$1")" 'HKLM\Software\Norvessa'; do
        if registry_has_key "$key"; then
            left="$left $key"
        fi
    done
    echo "left behind: ${left:-nothing}"
    [ -z "$left" ]
}

# The same installer at version 0.0.1, from the files in the zip.
build_older_msi() {
    older=$work/older
    cmake -D "CPACK_NORVESSA_WIXL=$(command -v wixl)" -D CPACK_NORVESSA_MSI_VERSION=0.0.1 \
        -D "CPACK_NORVESSA_WXS=$PWD/packaging/windows/norvessa.wxs" \
        -D "CPACK_NORVESSA_ICON=$PWD/resources/norvessa.ico" -D "CPACK_TEMPORARY_DIRECTORY=$1" \
        -D "CPACK_TOPLEVEL_DIRECTORY=$older" -D "CPACK_PACKAGE_DIRECTORY=$older" \
        -D CPACK_PACKAGE_FILE_NAME=norvessa-older -P packaging/windows/build_msi.cmake \
        >"$work/older.log" 2>&1 || {
        cat "$work/older.log" >&2
        return 1
    }
    echo "$older/norvessa-older.msi"
}

check_installer() {
    msi=$1
    top=$2
    start_wine
    older_msi=$(build_older_msi "$top")
    older_code=$(msi_product_code "$older_msi")
    code=$(msi_product_code "$msi")
    installed="$WINEPREFIX/drive_c/Program Files/Norvessa"
    check "an older .msi installs" install_msi "$older_msi"
    check "the .msi installs over it (msiexec /i /qn)" install_msi "$msi"
    check "the older version is gone" older_version_replaced "$older_code" "$code"
    check "installed files are the zip's" installed_files_are_the_zips "$installed" "$top"
    check "Start menu shortcut to the installed program" shortcut_starts_installed_program
    check "Apps and Features entry with version and publisher" \
        apps_entry_names_version_and_publisher "$code"
    check "norvessa.exe --version from the install folder" version_from_install_folder \
        "$installed"
    check "the .msi uninstalls (msiexec /x /qn)" uninstall_msi "$msi"
    check "uninstall leaves no file, shortcut or key" uninstall_leaves_nothing "$code"
}

check_windows() {
    cmake --build "$build" --target norvessa
    # The archive's generator builds the installer from the same staged files.
    (cd "$build" && cpack -G ZIP >"$work/cpack.log" 2>&1) || {
        cat "$work/cpack.log"
        exit 1
    }
    zip=$build/packages/norvessa-$version-win64.zip
    msi=$build/packages/norvessa-$version-win64.msi
    check "the .zip is named norvessa-$version-win64.zip" test -f "$zip"
    check "the .msi is named norvessa-$version-win64.msi" test -f "$msi"
    unzip -q -d "$work" "$zip"
    top=$work/norvessa-$version-win64
    printf '%s\n' ./LICENSE ./README.txt ./norvessa.exe >"$work/expected"
    (cd "$top" && find . -type f) | sort >"$work/actual"
    check "file list" file_list_is "$work/expected" "$work/actual"
    check "norvessa.exe stripped" has_no_debug_info "$top/norvessa.exe"
    check "norvessa.exe under 600 KB" exe_under_600_kb "$top/norvessa.exe"
    if [ -f "$msi" ]; then
        check_installer "$msi" "$top"
    fi
}

case "$preset" in
    linux) check_linux ;;
    windows) check_windows ;;
    *)
        echo "usage: $0 linux|windows" >&2
        exit 2
        ;;
esac
echo "packages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
