#!/bin/sh
# Boots Debian's stock kernel in QEMU with a busybox initramfs holding the kernel-test
# programs, and turns the guest's result into this script's exit status.
# Usage: run-kernel-tests.sh DRIVER PEER QEMU_EXIT INIT WORKDIR
# Exits 77 (skipped) when QEMU, busybox or the kernel package cannot be had. A failed run
# also shows the end of QEMU's own output (the serial console and QEMU's stderr).
set -eu
. "$(cd "$(dirname "$0")/../.." && pwd)/scripts/lib/stderr.sh"
driver=$(realpath "$1") peer=$(realpath "$2") qexit=$(realpath "$3") init=$(realpath "$4")
work=$5
skip() { echo "SKIPPED: $*"; exit 77; }

command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 not installed"
[ -x /bin/busybox ] || skip "busybox-static not installed"
mkdir -p "$work"
cd "$work"

# The USB stack beside uhid: a USB keyboard that QEMU plugs in has a real USB parent.
. "$(dirname "$init")/kernel-cache.sh"
kernel_cache "$(dirname "$work")/kernel-cache" drivers/hid/hid.ko drivers/hid/uhid.ko drivers/hid/hid-generic.ko \
    drivers/hid/usbhid/usbhid.ko drivers/usb/common/usb-common.ko drivers/usb/core/usbcore.ko \
    drivers/usb/host/uhci-hcd.ko || skip "$kernel_cache_error"
kdir=$kernel_dir

root=rootfs
rm -rf "$root" && mkdir -p "$root/bin" "$root/proc" "$root/sys" "$root/dev" "$root/tmp" "$root/lib/modules"
cp /bin/busybox "$root/bin/"
cp "$driver" "$root/bin/norvessa-kernel-driver"
cp "$peer" "$root/bin/norvessa-uhid-peer"
cp "$qexit" "$root/bin/norvessa-qemu-exit"
# shellcheck disable=SC2086
cp $kernel_modules "$root/lib/modules/"
cp "$init" "$root/init" && chmod +x "$root/init"
# Shared libraries the programs need (Debian ships no static libudev).
for program in "$driver" "$peer" "$qexit"; do
    ldd "$program" 2>/dev/null | awk '/=> \//{print $3} /^\t\/lib/{print $1}'
done | sort -u | while read -r lib; do
    mkdir -p "$root$(dirname "$lib")"
    cp -L "$lib" "$root$lib"
done
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) > initramfs.cpio.gz

accel=tcg
if [ -w /dev/kvm ] && { [ -d /sys/module/kvm_intel ] || [ -d /sys/module/kvm_amd ]; }; then accel=kvm; fi
started=$(date +%s)
set +e
timeout "${NORVESSA_KERNEL_TIMEOUT:-240}" qemu-system-x86_64 -accel $accel -m 512M -smp 1 \
    -nographic -no-reboot -kernel "$kdir/vmlinuz" -initrd initramfs.cpio.gz \
    -append "console=ttyS0 quiet panic=-1" \
    -device isa-debug-exit,iobase=0xf4,iosize=0x04 -nic none -vga none \
    -usb -device usb-kbd,port=1,serial=NRV-USB-KBD </dev/null >guest.log 2>&1
status=$?
set -e
# The firmware's escape sequences share a line with the first output; cut them off.
tr -d '\r' <guest.log | sed 's/.*init: /init: /' | sed -n '/^init: /,$p'
echo "kernel tier: qemu status $status, $(($(date +%s) - started)) s in the guest ($accel)"
# Guest status 0 arrives as 1; a panic or reboot as 0; the time-out as 124.
[ "$status" -eq 1 ] || {
    norvessa_stderr_tail "$PWD/guest.log" "QEMU (console and stderr)"
    exit 1
}
