#include "calibration/win32/monitor_details.h"

#include <windows.h>
// After windows.h, which they need.
#include <devguid.h>
#include <setupapi.h>
#include <shellscalingapi.h>

#include <cwctype>
#include <utility>
#include <vector>

#include "calibration/edid_size.h"
#include "controller/win32/wide_text.h"

namespace norvessa {

namespace {

constexpr double LOGICAL_DPI = 96.0;
// cfgmgr32's longest device instance ID, with its terminator.
constexpr DWORD DEVICE_ID_LENGTH = 200;

// Sole owner of a SetupAPI device list.
class DeviceInfoList {
  public:
    explicit DeviceInfoList(HDEVINFO list) : list_(list) {}
    ~DeviceInfoList() {
        if (list_ != INVALID_HANDLE_VALUE) {
            SetupDiDestroyDeviceInfoList(list_);
        }
    }
    DeviceInfoList(const DeviceInfoList&) = delete;
    DeviceInfoList& operator=(const DeviceInfoList&) = delete;
    HDEVINFO get() const { return list_; }

  private:
    HDEVINFO list_;
};

// Sole owner of an open registry key.
class RegistryKey {
  public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() {
        if (key_ != nullptr && key_ != INVALID_HANDLE_VALUE) {
            RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY get() const { return key_; }
    bool valid() const { return key_ != nullptr && key_ != INVALID_HANDLE_VALUE; }

  private:
    HKEY key_;
};

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return text;
}

// The monitors attached to display adapter `adapter` (\\.\DISPLAY1): their names and device
// interface paths (\\?\DISPLAY#GSM5B09#5&...#{...}), which hold the monitor's instance ID.
struct AttachedMonitor {
    std::wstring name;
    std::wstring interfacePath;
};

std::vector<AttachedMonitor> AttachedMonitors(const std::wstring& adapter) {
    std::vector<AttachedMonitor> monitors;
    for (DWORD i = 0;; ++i) {
        DISPLAY_DEVICEW device{};
        device.cb = sizeof device;
        if (!EnumDisplayDevicesW(adapter.c_str(), i, &device, EDD_GET_DEVICE_INTERFACE_NAME)) {
            break;
        }
        if ((device.StateFlags & DISPLAY_DEVICE_ACTIVE) != 0 || i == 0) {
            monitors.push_back({device.DeviceString, Upper(device.DeviceID)});
        }
    }
    return monitors;
}

std::vector<std::uint8_t> ReadEdid(HDEVINFO list, SP_DEVINFO_DATA& device) {
    const RegistryKey key(
        SetupDiOpenDevRegKey(list, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
    if (!key.valid()) {
        return {};
    }
    std::vector<std::uint8_t> edid(256);
    DWORD size = static_cast<DWORD>(edid.size());
    if (RegQueryValueExW(key.get(), L"EDID", nullptr, nullptr, edid.data(), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    edid.resize(size);
    return edid;
}

// The EDID of the monitor device whose instance ID (DISPLAY\GSM5B09\5&...) appears, with '#'
// for '\', in `interfacePath`; nothing when no monitor device matches or has one.
std::vector<std::uint8_t> EdidForInterface(const std::wstring& interfacePath) {
    const DeviceInfoList list(
        SetupDiGetClassDevsW(&GUID_DEVCLASS_MONITOR, nullptr, nullptr, DIGCF_PRESENT));
    if (list.get() == INVALID_HANDLE_VALUE) {
        return {};
    }
    for (DWORD i = 0;; ++i) {
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        if (!SetupDiEnumDeviceInfo(list.get(), i, &device)) {
            break;
        }
        wchar_t instance[DEVICE_ID_LENGTH] = {};
        if (!SetupDiGetDeviceInstanceIdW(list.get(), &device, instance, DEVICE_ID_LENGTH,
                                         nullptr)) {
            continue;
        }
        std::wstring id = Upper(instance);
        for (wchar_t& c : id) {
            c = c == L'\\' ? L'#' : c;
        }
        if (!id.empty() && interfacePath.find(id) != std::wstring::npos) {
            return ReadEdid(list.get(), device);
        }
    }
    return {};
}

int RotationOf(const std::wstring& adapter) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsW(adapter.c_str(), ENUM_CURRENT_SETTINGS, &mode) ||
        (mode.dmFields & DM_DISPLAYORIENTATION) == 0) {
        return 0;
    }
    switch (mode.dmDisplayOrientation) {
        case DMDO_90:
            return 90;
        case DMDO_180:
            return 180;
        case DMDO_270:
            return 270;
        default:
            return 0;
    }
}

double ScaleOf(const PixelRect& area) {
    const POINT centre{area.x + area.width / 2, area.y + area.height / 2};
    HMONITOR monitor = MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST);
    UINT dpiX = 0;
    UINT dpiY = 0;
    if (monitor == nullptr || FAILED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY)) ||
        dpiX == 0) {
        return 1.0;
    }
    return dpiX / LOGICAL_DPI;
}

}  // namespace

MonitorDetails DescribeMonitor(const NamedMonitor& monitor) {
    MonitorDetails details;
    const std::wstring adapter = WideFromUtf8(monitor.name);
    details.name = monitor.name;
    details.scale = ScaleOf(monitor.area);
    details.rotationDegrees = RotationOf(adapter);
    for (const AttachedMonitor& attached : AttachedMonitors(adapter)) {
        if (!attached.name.empty()) {
            details.name = Utf8FromWide(attached.name);
        }
        const std::vector<std::uint8_t> edid = EdidForInterface(attached.interfacePath);
        details.millimetres = EdidPhysicalSize(edid);
        if (details.millimetres) {
            break;
        }
    }
    // The EDID tells the panel's own orientation; the desktop turned by a quarter swaps it.
    if (details.millimetres && details.rotationDegrees % 180 != 0) {
        std::swap(details.millimetres->width, details.millimetres->height);
    }
    return details;
}

}  // namespace norvessa
