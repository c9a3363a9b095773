#pragma once
// Who an opened HID interface is, as Windows tells it: the strings the device reports and the
// device instance path that tells two identical devices apart.

#include <string>

#include "controller/interface_identity.h"
#include "controller/win32/hid_api.h"

namespace norvessa {

struct ControllerDevice;

// The device instance path ("USB\VID_04D8&PID_0C0A\5&2C3F&0&2") of the USB device the HID
// interface at `interfacePath` belongs to; the HID device's own when its parent is no USB
// device. Empty when the system does not know the path. Never throws but std::bad_alloc.
std::wstring DeviceInstancePath(const std::wstring& interfacePath);

// Vendor, product, product string, serial number string (empty when the device has none) and
// device instance path of an opened record.
InterfaceIdentity ReadDeviceIdentity(const ControllerDevice& device);

}  // namespace norvessa
