#include "controller/linux/hidraw_platform.h"

#include <sys/sysmacros.h>

#include "controller/linux/hidraw_interface.h"
#include "controller/linux/hotplug_events.h"
#include "controller/linux/udev_handles.h"
#include "controller/linux/udev_identity.h"

namespace norvessa {

std::optional<std::vector<std::string>> HidrawPlatform::EnumeratePresent() {
    if (context_ == nullptr) {
        return std::nullopt;
    }
    UdevEnumerate enumerate(udev_enumerate_new(context_));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        return std::nullopt;
    }
    std::vector<HidrawRecord> records;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        UdevDevice device(udev_device_new_from_syspath(context_, udev_list_entry_get_name(entry)));
        if (!device) {
            continue;  // gone between the scan and now
        }
        const char* devnode = udev_device_get_devnode(device.get());
        records.push_back(HidrawRecord{devnode != nullptr ? devnode : "",
                                       ::minor(udev_device_get_devnum(device.get()))});
    }
    return DevnodesInSearchOrder(std::move(records));
}

std::unique_ptr<OpenedInterface> HidrawPlatform::Open(const std::string& devnode) {
    std::unique_ptr<HidrawInterface> opened = OpenHidrawInterface(devnode);
    if (opened) {
        opened->SetPlacement(ReadNodePlacement(UdevDeviceOfNode(context_, devnode).get()));
    }
    return opened;
}

}  // namespace norvessa
