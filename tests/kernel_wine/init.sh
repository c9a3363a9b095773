#!/bin/busybox sh
# Init of the Wine stage's guest: load the modules, mount the host's root file system read-only
# over virtio-9p with writable tmpfs where programs write, and switch into it to run the stage
# script named on the kernel command line (norvessa_stage=PATH norvessa_env=PATH).
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
# No modules.dep in the kernel package: load in dependency order.
for module in virtio_ring virtio virtio_pci_modern_dev virtio_pci_legacy_dev virtio_pci \
              netfs fscache 9pnet 9pnet_virtio 9p overlay hid uhid hid-generic; do
    insmod /lib/modules/$module.ko || echo "init: insmod $module failed"
done
root=/newroot
mkdir -p $root
if ! mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,ro,cache=loose hostroot $root; then
    echo "init: cannot mount the host's root"
    exec /bin/norvessa-qemu-exit 3
fi
cmdline=$(cat /proc/cmdline)
word() { echo "$cmdline" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
# Writable tmpfs where programs write; folders of the host's /tmp that the stage reads (a
# checkout under /tmp) are bound back in from a second view of it.
mount -t tmpfs tmpfs $root/run
mkdir -p $root/run/host-tmp
mount --bind $root/tmp $root/run/host-tmp
for dir in tmp var/tmp; do mount -t tmpfs tmpfs $root/$dir; done
for top in $(word norvessa_host_tmp | tr ',' ' '); do
    mkdir -p $root/tmp/$top
    mount --bind $root/run/host-tmp/$top $root/tmp/$top || echo "init: cannot bind /tmp/$top"
done
mount --move /proc $root/proc
mount --move /sys $root/sys
mount --move /dev $root/dev
mkdir -p $root/dev/shm $root/dev/pts
mount -t tmpfs tmpfs $root/dev/shm
mount -t devpts devpts $root/dev/pts
stage=$(word norvessa_stage)
environment=$(word norvessa_env)
echo "init: host root mounted at $(cut -d' ' -f1 $root/proc/uptime) s"
exec switch_root $root /bin/sh "$stage" "$environment"
