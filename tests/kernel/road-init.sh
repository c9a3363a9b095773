#!/bin/busybox sh
# Init of the touch-road guest: the host's root, shared read-only over 9p under a writable
# layer in memory, becomes the guest's root, so the real display servers, libraries and the
# application run unchanged; the stage's own script then runs there as PID 1.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for module in $(cat /modules); do
    insmod "/lib/modules/$module.ko" || echo "init: insmod $module failed"
done
mkdir -p /host /layer /newroot
# cache=loose: nothing on the host changes while the guest runs, and reads are far faster.
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose,ro hostroot /host ||
    { echo "init: cannot mount the host's root"; /bin/norvessa-qemu-exit 3; }
mount -t tmpfs -o size=256m tmpfs /layer
mkdir -p /layer/upper /layer/work
mount -t overlay overlay -o lowerdir=/host,upperdir=/layer/upper,workdir=/layer/work /newroot ||
    { echo "init: cannot lay the writable layer over it"; /bin/norvessa-qemu-exit 3; }
echo "init: kernel $(uname -r), host root mounted at $(cut -d' ' -f1 /proc/uptime) s"
for fs in proc sys dev; do
    mount --move "/$fs" "/newroot/$fs"
done
# shellcheck disable=SC2046
exec switch_root /newroot $(cat /stage)
