# Sourced by the kernel tier's scripts: Debian's stock kernel and the modules a guest needs,
# taken from the kernel package and cached between runs.
#
# kernel_cache CACHE MODULE...   MODULE: a path under the package's kernel/ folder
#   (drivers/hid/uhid.ko). Sets kernel_dir to a folder holding vmlinuz and every MODULE by its
#   file name, and kernel_modules to those files, in the order given. Returns 1 with the reason in kernel_cache_error when the kernel cannot be had.

kernel_cache() {
    cache=$1
    shift
    # The package follows security updates: look its name up each time.
    package=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/{print $2; exit}')
    if [ -z "$package" ]; then
        kernel_cache_error="no linux-image-amd64 in the package lists"
        return 1
    fi
    version=${package#linux-image-}
    kernel_dir=$cache/$version
    missing=""
    kernel_modules=""
    [ -f "$kernel_dir/vmlinuz" ] || missing="./boot/vmlinuz-$version"
    for module in "$@"; do
        kernel_modules="$kernel_modules $kernel_dir/$(basename "$module")"
        [ -f "$kernel_dir/$(basename "$module")" ] || missing="$missing ./lib/modules/$version/kernel/$module"
    done
    [ -z "$missing" ] && return 0

    mkdir -p "$cache"
    # An older kernel's files are of no further use.
    find "$cache" -mindepth 1 -maxdepth 1 ! -name "$version" -exec rm -rf {} +
    mkdir -p "$kernel_dir/deb"
    if ! ls "$kernel_dir"/deb/*.deb >/dev/null 2>&1 &&
        ! (cd "$kernel_dir/deb" && apt-get download -q "$package" >/dev/null 2>&1); then
        kernel_cache_error="cannot download $package"
        return 1
    fi
    unpacked=$kernel_dir/unpacked
    rm -rf "$unpacked" && mkdir -p "$unpacked"
    # shellcheck disable=SC2086
    dpkg-deb --fsys-tarfile "$kernel_dir"/deb/*.deb | tar -x -C "$unpacked" $missing || {
        kernel_cache_error="$package lacks one of:$missing"
        return 1
    }
    find "$unpacked" -type f \( -name 'vmlinuz-*' -o -name '*.ko' \) | while read -r file; do
        case "$file" in
            */vmlinuz-*) mv "$file" "$kernel_dir/vmlinuz" ;;
            *) mv "$file" "$kernel_dir/" ;;
        esac
    done
    rm -rf "$unpacked"
}
