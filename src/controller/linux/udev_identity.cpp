#include "controller/linux/udev_identity.h"

#include <sys/stat.h>

namespace norvessa {
namespace {

std::string Text(const char* value) {
    return value != nullptr ? value : "";
}

}  // namespace

UdevDevice UdevDeviceOfNode(udev* context, const std::string& devnode) {
    struct stat status {};
    if (context == nullptr || ::stat(devnode.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) {
        return nullptr;
    }
    return UdevDevice(udev_device_new_from_devnum(context, 'c', status.st_rdev));
}

NodePlacement ReadNodePlacement(udev_device* hidraw) {
    NodePlacement placement;
    if (hidraw == nullptr) {
        return placement;
    }
    // Parents belong to the child: not unref'd here.
    if (udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device")) {
        placement.serialNumber = Text(udev_device_get_sysattr_value(usb, "serial"));
        placement.usbPort = Text(udev_device_get_sysname(usb));
        return placement;
    }
    if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr)) {
        placement.serialNumber = Text(udev_device_get_property_value(hid, "HID_UNIQ"));
    }
    return placement;
}

}  // namespace norvessa
