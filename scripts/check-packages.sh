#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the packages of one preset's build tree and checks them as a packager would.
#   check-packages.sh linux    the .deb (and .tar.gz): unpacked with dpkg -x into a throw-away
#                              root; file list, stripped programs, udev rule, Depends,
#                              desktop-file-validate, appstreamcli validate, lintian when
#                              present (errors fail, other findings are printed), and
#                              `norvessa --help` run from the unpacked tree.
#   check-packages.sh windows  the .zip: its file list, the stripped norvessa.exe under 1 MB.
# Ends with "packages: N passed, M failed" and fails when any check failed.
set -eu
cd "$(dirname "$0")/.."
preset=${1:-linux}
build=build/$preset
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
trap 'rm -rf "$work"' EXIT

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
    cmake --build --preset linux --target norvessa norvessa-probe norvessa_documents
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

exe_under_one_megabyte() {
    size=$(stat -c %s "$1")
    echo "norvessa.exe: $size bytes"
    [ "$size" -lt 1048576 ]
}

check_windows() {
    cmake --build --preset windows --target norvessa
    (cd "$build" && cpack -G ZIP >"$work/cpack.log" 2>&1) || {
        cat "$work/cpack.log"
        exit 1
    }
    zip=$build/packages/norvessa-$version-win64.zip
    check "the .zip is named norvessa-$version-win64.zip" test -f "$zip"
    (cd "$work" && unzip -q "$OLDPWD/$zip")
    top=$work/norvessa-$version-win64
    printf '%s\n' ./LICENSE ./README.md ./norvessa.exe >"$work/expected"
    (cd "$top" && find . -type f) | sort >"$work/actual"
    check "file list" file_list_is "$work/expected" "$work/actual"
    check "norvessa.exe stripped" has_no_debug_info "$top/norvessa.exe"
    check "norvessa.exe under 1 MB" exe_under_one_megabyte "$top/norvessa.exe"
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
