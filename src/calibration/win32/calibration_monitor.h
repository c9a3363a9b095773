#pragma once
// The monitor a calibration covers on Windows: the one a touch digitizer is mapped to when the
// pointer API reports one, else the one holding the main window, in physical pixels (the process is
// per-monitor DPI aware, so monitor rectangles are not scaled).

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "calibration/monitor_choice.h"

namespace norvessa {

// Every monitor's rectangle on the desktop, in enumeration order.
std::vector<PixelRect> DesktopMonitors();

// The monitor a touch digitizer (or else a pen digitizer) is mapped to, when one is reported.
std::optional<PixelRect> DigitizerMonitorArea();

// Every monitor's device name (\\.\DISPLAY1 ...), in the order of DesktopMonitors: what
// --screen takes by name; its index there is what it takes by number.
std::vector<std::string> MonitorNames();

// The monitor --screen chose, as an index into DesktopMonitors; set once at start-up, before
// any window. It comes before the digitizer's and the main window's.
void SetChosenMonitor(std::optional<std::size_t> index);

// The monitor for a calibration started from `mainWindow` (null and no digitizer: the primary).
PixelRect CalibrationMonitor(HWND mainWindow);

}  // namespace norvessa
