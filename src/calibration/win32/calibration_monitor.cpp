#include "calibration/win32/calibration_monitor.h"

namespace norvessa {
namespace {

PixelRect ToPixelRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<std::vector<PixelRect>*>(list)->push_back(ToPixelRect(info.rcMonitor));
    }
    return TRUE;
}

PixelRect PrimaryMonitor() {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

std::vector<PixelRect> DesktopMonitors() {
    std::vector<PixelRect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

PixelRect CalibrationMonitor(HWND mainWindow) {
    RECT windowRect{};
    if (mainWindow == nullptr || !GetWindowRect(mainWindow, &windowRect)) {
        return PrimaryMonitor();
    }
    const std::vector<PixelRect> monitors = DesktopMonitors();
    const std::optional<std::size_t> index =
        ChooseMonitor(monitors, {{}, {}, ToPixelRect(windowRect)});
    return index ? monitors[*index] : PrimaryMonitor();
}

}  // namespace norvessa
