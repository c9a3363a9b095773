#pragma once
// Who a HID interface is, beyond what the controller search looks at: what a report names so
// that two identical touch screens can be told apart.

#include <cstdint>
#include <string>

namespace norvessa {

struct InterfaceIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string productName;
    std::string serialNumber;  // empty when the device has none
    std::string usbPort;       // the USB port path ("1-1.2"), or the device instance path
};

}  // namespace norvessa
