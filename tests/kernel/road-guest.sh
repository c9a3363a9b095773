#!/bin/sh
# PID 1 of the touch-road guest, on the host's root: the runtime folders, udev (libinput reads
# its classification of the touch screen from udev's database), then the stage's driver.
# Usage: road-guest.sh QEMU_EXIT DRIVER ARGS...
qexit=$1 driver=$2
shift 2
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
mount -t tmpfs tmpfs /run
mkdir -p /dev/pts /dev/shm /run/udev
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
/lib/systemd/systemd-udevd --daemon --resolve-names=never
udevadm trigger --action=add
udevadm settle --timeout=30
echo "guest: udev settled at $(cut -d' ' -f1 /proc/uptime) s"
"$driver" "$@"
status=$?
echo "guest: driver status $status at $(cut -d' ' -f1 /proc/uptime) s"
"$qexit" "$status"
echo o >/proc/sysrq-trigger
