#pragma once
// A window that covers one whole monitor, taskbar included: the calibration window, the check
// window and the covers of the other monitors. Its client pixels are then the monitor's
// physical pixels from its top-left corner.

#include <windows.h>

#include <cstdint>

#include "calibration/monitor_choice.h"

namespace norvessa::win32 {

// Places `window` on `monitor` and maximises it there.
void ShowOverMonitor(HWND window, const PixelRect& monitor);

// WM_GETMINMAXINFO: the maximised size is the whole monitor, not its work area.
void KeepWholeMonitor(LPARAM minMaxInfo, std::int32_t width, std::int32_t height);

// Physical pixels per logical pixel of `window`'s monitor (DPI / 96).
double WindowScale(HWND window);

}  // namespace norvessa::win32
