#include "calibration/win32/calibration_monitor.h"

#include "controller/win32/wide_text.h"

namespace norvessa {
namespace {

struct Monitor {
    HMONITOR handle;
    PixelRect area;
    std::string name;
};

std::optional<std::size_t> g_chosenMonitor;

PixelRect ToPixelRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<std::vector<Monitor>*>(list)->push_back(
            {monitor, ToPixelRect(info.rcMonitor), Utf8FromWide(info.szDevice)});
    }
    return TRUE;
}

std::vector<Monitor> EnumerateMonitors() {
    std::vector<Monitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

PixelRect PrimaryMonitor() {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The monitor a touch digitizer is mapped to: the touch screen, when the system knows it.
// Pens come after touch; without either (or without the pointer API, as under Wine) none.
HMONITOR DigitizerMonitor() {
    UINT32 count = 0;
    if (!GetPointerDevices(&count, nullptr) || count == 0) {
        return nullptr;
    }
    std::vector<POINTER_DEVICE_INFO> devices(count);
    if (!GetPointerDevices(&count, devices.data())) {
        return nullptr;
    }
    devices.resize(count);
    for (const POINTER_DEVICE_TYPE type :
         {POINTER_DEVICE_TYPE_TOUCH, POINTER_DEVICE_TYPE_INTEGRATED_PEN}) {
        for (const POINTER_DEVICE_INFO& device : devices) {
            if (device.pointerDeviceType == type && device.monitor != nullptr) {
                return device.monitor;
            }
        }
    }
    return nullptr;
}

}  // namespace

std::optional<PixelRect> DigitizerMonitorArea() {
    const HMONITOR digitizer = DigitizerMonitor();
    for (const Monitor& monitor : EnumerateMonitors()) {
        if (monitor.handle == digitizer) {
            return monitor.area;
        }
    }
    return std::nullopt;
}

std::vector<PixelRect> DesktopMonitors() {
    std::vector<PixelRect> areas;
    for (const Monitor& monitor : EnumerateMonitors()) {
        areas.push_back(monitor.area);
    }
    return areas;
}

std::vector<std::string> MonitorNames() {
    std::vector<std::string> names;
    for (const Monitor& monitor : EnumerateMonitors()) {
        names.push_back(monitor.name);
    }
    return names;
}

void SetChosenMonitor(std::optional<std::size_t> index) {
    g_chosenMonitor = index;
}

std::optional<NamedMonitor> CoveredMonitor(HWND mainWindow) {
    const std::vector<Monitor> monitors = EnumerateMonitors();
    MonitorPreference preference;
    preference.chosen = g_chosenMonitor;
    const HMONITOR digitizer = DigitizerMonitor();
    std::vector<PixelRect> areas;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        areas.push_back(monitors[i].area);
        if (monitors[i].handle == digitizer) {
            preference.digitizer = i;
        }
    }
    RECT windowRect{};
    if (mainWindow != nullptr && GetWindowRect(mainWindow, &windowRect)) {
        preference.mainWindow = ToPixelRect(windowRect);
    } else if (!preference.digitizer && !preference.chosen) {
        return std::nullopt;
    }
    const std::optional<std::size_t> index = ChooseMonitor(areas, preference);
    if (!index) {
        return std::nullopt;
    }
    return NamedMonitor{*index, monitors[*index].name, monitors[*index].area};
}

PixelRect CalibrationMonitor(HWND mainWindow) {
    const std::optional<NamedMonitor> covered = CoveredMonitor(mainWindow);
    return covered ? covered->area : PrimaryMonitor();
}

}  // namespace norvessa
