#pragma once
// The monitor a calibration covers on Windows: the one holding the main window, among the
// monitors of the desktop, in physical pixels (the process is per-monitor DPI aware, so
// monitor rectangles are not scaled).

#include <windows.h>

#include <vector>

#include "calibration/monitor_choice.h"

namespace norvessa {

// Every monitor's rectangle on the desktop, in enumeration order.
std::vector<PixelRect> DesktopMonitors();

// The monitor for a calibration started from `mainWindow` (null: the primary monitor's place).
PixelRect CalibrationMonitor(HWND mainWindow);

}  // namespace norvessa
