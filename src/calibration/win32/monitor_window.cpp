#include "calibration/win32/monitor_window.h"

namespace norvessa::win32 {

namespace {

constexpr double LOGICAL_DPI = 96.0;

}  // namespace

void ShowOverMonitor(HWND window, const PixelRect& monitor) {
    // The restored place is the whole monitor too: a window manager that leaves the maximised
    // size to the window (or none at all, as under Wine on a bare X server) still shows it so.
    // Placed there first, the window also maximises on that monitor.
    SetWindowPos(window, nullptr, monitor.x, monitor.y, monitor.width, monitor.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, SW_MAXIMIZE);
}

void KeepWholeMonitor(LPARAM minMaxInfo, std::int32_t width, std::int32_t height) {
    // The whole monitor, not its work area: the taskbar would hide targets. The position is
    // taken relative to the monitor the window maximises on.
    auto* info = reinterpret_cast<MINMAXINFO*>(minMaxInfo);
    info->ptMaxPosition = POINT{0, 0};
    info->ptMaxSize = POINT{width, height};
    info->ptMaxTrackSize = info->ptMaxSize;
}

double WindowScale(HWND window) {
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(window, dc);
    return dpi > 0 ? dpi / LOGICAL_DPI : 1.0;
}

}  // namespace norvessa::win32
