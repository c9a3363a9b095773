#pragma once
// Program-defined window messages.

#include <windows.h>

namespace norvessa::win32 {

// To the main dialog: start a calibration; lParam is the point count, wParam is unused.
inline constexpr UINT WM_START_CALIBRATION = WM_USER + 101;
// To a calibration dialog: end it; no parameters.
inline constexpr UINT WM_CLOSE_CALIBRATION = WM_USER + 103;

}  // namespace norvessa::win32
