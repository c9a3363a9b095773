#!/bin/busybox sh
# Init of the kernel-test guest: mount the kernel file systems, load the HID and USB modules,
# run the test driver, and hand its status to QEMU.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for module in hid uhid hid-generic usb-common usbcore uhci-hcd usbhid; do
    insmod /lib/modules/$module.ko || echo "init: insmod $module failed"
done
echo "init: kernel $(uname -r), modules loaded at $(cut -d' ' -f1 /proc/uptime) s"
/bin/norvessa-kernel-driver /bin/norvessa-uhid-peer
status=$?
echo "init: driver status $status at $(cut -d' ' -f1 /proc/uptime) s"
/bin/norvessa-qemu-exit $status
poweroff -f
