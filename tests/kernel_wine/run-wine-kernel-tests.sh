#!/bin/sh
# The kernel tier's Wine stage: boots Debian's stock kernel in QEMU on the host's root file
# system (shared read-only over virtio-9p), where Wine runs the Windows build's programs on the
# HID interfaces that its hidraw bus makes of the guest kernel's uhid devices.
# Usage: run-wine-kernel-tests.sh TESTS UI_DRIVER APP LINUX_BUILD_DIR WORKDIR
#   TESTS, UI_DRIVER, APP: the Windows test program, the UI driver and norvessa.exe.
#   LINUX_BUILD_DIR: the linux preset's build tree, where the device program is built.
# Exits 77 (skipped) only when QEMU, Wine or the kernel package cannot be had. A failed run
# also shows the end of QEMU's own output (the serial console and QEMU's stderr).
set -eu
tests=$(realpath "$1") driver=$(realpath "$2") app=$(realpath "$3")
linux_build=$4 work=$5
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
. "$source_dir/scripts/lib/stderr.sh"
skip() { echo "SKIPPED: $*"; exit 77; }

command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 not installed"
# busybox (the guest's init) comes with QEMU from setup-deps.sh: its absence is a fault.
[ -x /bin/busybox ] || { echo "busybox-static not installed"; exit 1; }
wine=wine
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
command -v "$wine" >/dev/null && command -v wineserver >/dev/null || skip "Wine not installed"
mkdir -p "$work/cache"
work=$(realpath "$work")
# The guest puts tmpfs over /tmp: the folders under /tmp it reads of the host (a checkout there,
# as a CI clone may be) are named to its init, which binds them back in.
host_tmp=""
for path in "$work" "$tests" "$linux_build"; do
    case "$(realpath -m "$path")" in
        /tmp/*) top=$(realpath -m "$path" | cut -d/ -f3); host_tmp="${host_tmp:+$host_tmp,}$top" ;;
    esac
done

# The device program and the exit helper are Linux programs of the linux preset's build.
[ -f "$linux_build/CMakeCache.txt" ] || (cd "$source_dir" && cmake --preset linux >/dev/null)
cmake --build "$linux_build" --target norvessa_uhid_peer norvessa_qemu_exit >/dev/null
peer=$linux_build/tests/kernel/norvessa_uhid_peer
qexit=$linux_build/tests/kernel/norvessa_qemu_exit

# Debian's kernel and the modules the guest loads (its init names them in the same order).
. "$source_dir/tests/kernel/kernel-cache.sh"
kernel_cache "$work/cache" drivers/hid/hid.ko drivers/hid/uhid.ko drivers/hid/hid-generic.ko \
    drivers/virtio/virtio.ko drivers/virtio/virtio_ring.ko drivers/virtio/virtio_pci.ko \
    drivers/virtio/virtio_pci_legacy_dev.ko drivers/virtio/virtio_pci_modern_dev.ko fs/9p/9p.ko \
    fs/fscache/fscache.ko fs/netfs/netfs.ko fs/overlayfs/overlay.ko net/9p/9pnet.ko \
    net/9p/9pnet_virtio.ko || skip "$kernel_cache_error"
kdir=$kernel_dir

# A prefix made once on the host (wineboot takes minutes under emulation); the guest runs on an
# overlay of it. Its HID bus reads hidraw nodes (no SDL back end) and watches /dev itself,
# since no udev daemon runs in the guest.
prefix=$work/prefix
if [ ! -f "$prefix/.norvessa-ready" ]; then
    rm -rf "$prefix"
    (
        export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        "$wine" wineboot --init
        key='HKLM\System\CurrentControlSet\Services\winebus'
        "$wine" reg add "$key" /v "Enable SDL" /t REG_DWORD /d 0 /f
        "$wine" reg add "$key" /v DisableUdevd /t REG_DWORD /d "${NORVESSA_WINE_NO_UDEVD:-1}" /f
        wineserver -w
    ) >"$work/prefix-setup.log" 2>&1 || true
    grep -q '"Enable SDL"=dword:00000000' "$prefix/system.reg" || {
        echo "prefix set-up failed"
        norvessa_stderr_tail "$work/prefix-setup.log" "wineboot and wine reg"
        exit 1
    }
    touch "$prefix/.norvessa-ready"
fi

# The guest reads its script from a copy: a shell reads its script as it goes, and an edit of
# the source tree during a run must not reach it.
cp "$here/guest.sh" "$work/guest.sh"
cat >"$work/guest.env" <<ENV
PEER='$peer'
QEMU_EXIT='$qexit'
TESTS='$tests'
UI_DRIVER='$driver'
APP='$app'
PREFIX='$prefix'
WINE='$wine'
WINESERVER='$(command -v wineserver)'
UI_FILTER='MainWindowTest.NineButtons*'
UI_PATIENCE=120
ENV

root=$work/rootfs
rm -rf "$root" && mkdir -p "$root/bin" "$root/proc" "$root/sys" "$root/dev" "$root/lib/modules"
cp /bin/busybox "$root/bin/"
cp "$qexit" "$root/bin/norvessa-qemu-exit"
# shellcheck disable=SC2086
cp $kernel_modules "$root/lib/modules/"
cp "$here/init.sh" "$root/init" && chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initramfs.cpio.gz"

accel=tcg cpu=max,smap=off
if [ -w /dev/kvm ] && { [ -d /sys/module/kvm_intel ] || [ -d /sys/module/kvm_amd ]; }; then
    accel=kvm cpu=host
fi
started=$(date +%s)
set +e
# Under TCG with -cpu max every Wine process faults in the guest kernel (SMAP): smap=off.
timeout "${NORVESSA_KERNEL_TIMEOUT:-900}" qemu-system-x86_64 -accel $accel -cpu $cpu -m 1536M \
    -smp 1 -nographic -no-reboot -kernel "$kdir/vmlinuz" -initrd "$work/initramfs.cpio.gz" \
    -append "console=ttyS0 quiet panic=-1 norvessa_stage=$work/guest.sh norvessa_env=$work/guest.env norvessa_host_tmp=$host_tmp" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
    -device isa-debug-exit,iobase=0xf4,iosize=0x04 -nic none -vga none </dev/null >"$work/guest.log" 2>&1
status=$?
set -e
# Cut the firmware's and Wine's terminal escapes; keep the guest's own lines.
tr -d '\r' <"$work/guest.log" | sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g; s/\x1bc//g' | sed -n '/^init: /,$p'
echo "kernel tier, Wine stage: qemu status $status, $(($(date +%s) - started)) s in the guest ($accel)"
# Shared cores stretch the time above; the CPU time QEMU took does not depend on the load.
times >"$work/times.txt"
echo "CPU time of this script's children (user, system): $(tail -n 1 "$work/times.txt")"
# Guest status 0 arrives as 1; a panic or reboot as 0; the time-out as 124.
[ "$status" -eq 1 ] || {
    norvessa_stderr_tail "$work/guest.log" "QEMU (console and stderr)"
    exit 1
}
