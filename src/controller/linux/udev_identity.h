#pragma once
// Where a hidraw node sits, as udev tells it: the serial number and USB port that tell two
// identical devices apart. Read from sysfs through libudev, so no udev daemon is needed.

#include <string>

#include "controller/linux/udev_handles.h"

namespace norvessa {

struct NodePlacement {
    std::string serialNumber;  // empty when the device has none
    std::string usbPort;       // the USB device's name ("1-1.2"); empty off USB
};

// The udev record of the character device `devnode` names; empty when the node is gone.
UdevDevice UdevDeviceOfNode(udev* context, const std::string& devnode);

// The serial number and port of the USB device above `hidraw`; off USB (uhid, Bluetooth) the
// HID device's HID_UNIQ as serial number and no port.
NodePlacement ReadNodePlacement(udev_device* hidraw);

}  // namespace norvessa
