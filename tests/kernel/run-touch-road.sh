#!/bin/sh
# The touch road: boots Debian's stock kernel in QEMU on the host's own root (shared read-only
# over 9p) and runs the touch-road driver there, which plugs in a touch screen through
# /dev/uhid and calibrates and checks it with the real application on Xorg and on Weston.
# Usage: run-touch-road.sh DRIVER QEMU_EXIT WORKDIR DRIVER_ARGS...
# Exits 77 (skipped) when QEMU, busybox, the kernel package, Xorg's dummy and libinput drivers
# or Weston cannot be had. A failed run also shows the end of QEMU's own output.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/stderr.sh"
. "$here/kernel-cache.sh"
driver=$(realpath "$1") qexit=$(realpath "$2") work=$3
shift 3
skip() { echo "SKIPPED: $*"; exit 77; }

command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 not installed"
[ -x /bin/busybox ] || skip "busybox-static not installed"
for file in /usr/lib/xorg/Xorg /usr/lib/xorg/modules/drivers/dummy_drv.so \
    /usr/lib/xorg/modules/input/libinput_drv.so /usr/bin/weston /lib/systemd/systemd-udevd; do
    [ -e "$file" ] || skip "$file not installed"
done
mkdir -p "$work"
cd "$work"

# In the order they load: 9p and the writable layer for the root, the HID and input drivers
# of the touch screen, and a KMS driver for Weston (QEMU's bochs-display; Debian has no vkms).
modules="drivers/virtio/virtio_ring.ko drivers/virtio/virtio.ko
drivers/virtio/virtio_pci_modern_dev.ko drivers/virtio/virtio_pci_legacy_dev.ko
drivers/virtio/virtio_pci.ko fs/netfs/netfs.ko fs/fscache/fscache.ko net/9p/9pnet.ko
net/9p/9pnet_virtio.ko fs/9p/9p.ko fs/overlayfs/overlay.ko
drivers/hid/hid.ko drivers/hid/uhid.ko drivers/hid/hid-generic.ko drivers/hid/hid-multitouch.ko
drivers/input/evdev.ko drivers/gpu/drm/drm.ko drivers/gpu/drm/drm_kms_helper.ko
drivers/gpu/drm/ttm/ttm.ko drivers/gpu/drm/drm_ttm_helper.ko drivers/gpu/drm/drm_vram_helper.ko
drivers/gpu/drm/tiny/bochs.ko"
# shellcheck disable=SC2086
kernel_cache "$(dirname "$work")/kernel-cache" $modules || skip "$kernel_cache_error"

root=rootfs
rm -rf "$root" && mkdir -p "$root/bin" "$root/proc" "$root/sys" "$root/dev" "$root/lib/modules"
cp /bin/busybox "$root/bin/"
cp "$qexit" "$root/bin/norvessa-qemu-exit"
# shellcheck disable=SC2086
cp $kernel_modules "$root/lib/modules/"
for module in $modules; do basename "$module" .ko; done >"$root/modules"
echo "$here/road-guest.sh $qexit $driver $*" >"$root/stage"
cp "$here/road-init.sh" "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >initramfs.cpio.gz

accel=tcg
if [ -w /dev/kvm ] && { [ -d /sys/module/kvm_intel ] || [ -d /sys/module/kvm_amd ]; }; then accel=kvm; fi
started=$(date +%s)
set +e
timeout "${NORVESSA_ROAD_TIMEOUT:-420}" qemu-system-x86_64 -accel $accel -m 1536M -smp 2 \
    -nographic -no-reboot -kernel "$kernel_dir/vmlinuz" -initrd initramfs.cpio.gz \
    -append "console=ttyS0 quiet panic=-1" \
    -device isa-debug-exit,iobase=0xf4,iosize=0x04 -nic none \
    -vga none -device bochs-display,xres=1024,yres=768 \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
    </dev/null >guest.log 2>&1
status=$?
set -e
tr -d '\r' <guest.log | sed 's/.*init: /init: /' | sed -n '/^init: /,$p'
echo "touch road: qemu status $status, $(($(date +%s) - started)) s in the guest ($accel)"
# Guest status 0 arrives as 1; a panic or reboot as 0; the time-out as 124.
[ "$status" -eq 1 ] || {
    norvessa_stderr_tail "$PWD/guest.log" "QEMU (console and stderr)"
    exit 1
}
