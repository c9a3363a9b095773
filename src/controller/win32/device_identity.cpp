#include "controller/win32/device_identity.h"

#include <cfgmgr32.h>

#include <cwchar>

#include "controller/win32/controller_device.h"
#include "controller/win32/wide_text.h"
#include "controller/win32/win32_hid_platform.h"

namespace norvessa {
namespace {

using HidStringRead = BOOLEAN(__stdcall*)(HANDLE, PVOID, ULONG);

// USB string descriptors hold at most 126 characters; one more keeps the text terminated.
std::wstring HidString(HANDLE handle, HidStringRead read) {
    wchar_t text[128] = {};
    if (!read(handle, text, static_cast<ULONG>(sizeof text - sizeof(wchar_t)))) {
        return {};
    }
    return std::wstring(text, ::wcsnlen(text, std::size(text) - 1));
}

std::wstring DeviceId(DEVINST instance) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (::CM_Get_Device_IDW(instance, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) {
        return {};
    }
    return id;
}

bool IsUsbDeviceId(const std::wstring& id) {
    return id.size() > 4 && ::_wcsnicmp(id.c_str(), L"USB\\", 4) == 0;
}

}  // namespace

std::wstring DeviceInstancePath(const std::wstring& interfacePath) {
    const std::string wanted = Utf8FromWide(interfacePath);
    std::wstring found;
    ForEachHidInterface([&](const std::wstring& path, DEVINST device) {
        if (!SameDevicePath(Utf8FromWide(path), wanted)) {
            return true;
        }
        DEVINST parent = 0;
        if (::CM_Get_Parent(&parent, device, 0) == CR_SUCCESS) {
            found = DeviceId(parent);
        }
        if (!IsUsbDeviceId(found)) {
            found = DeviceId(device);
        }
        return false;
    });
    return found;
}

InterfaceIdentity ReadDeviceIdentity(const ControllerDevice& device) {
    InterfaceIdentity identity;
    identity.vendorId = device.attributes.VendorID;
    identity.productId = device.attributes.ProductID;
    identity.productName = Utf8FromWide(HidString(device.handle.get(), ::HidD_GetProductString));
    identity.serialNumber =
        Utf8FromWide(HidString(device.handle.get(), ::HidD_GetSerialNumberString));
    identity.usbPort = Utf8FromWide(DeviceInstancePath(device.path));
    return identity;
}

}  // namespace norvessa
