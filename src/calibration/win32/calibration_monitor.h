#pragma once
// The monitor a calibration covers on Windows: the one a touch digitizer is mapped to when the
// pointer API reports one, else the one holding the main window, in physical pixels (the process is
// per-monitor DPI aware, so monitor rectangles are not scaled).

#include <windows.h>

#include <cstddef>
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

// A monitor as the user names it: its index as --screen takes it, and its device name.
struct NamedMonitor {
    std::size_t index = 0;
    std::string name;
    PixelRect area;
};

// The monitor a calibration started from `mainWindow` covers; none when nothing picks one
// (no monitors, or a null window with neither a --screen choice nor a digitizer).
std::optional<NamedMonitor> CoveredMonitor(HWND mainWindow);

// The area of CoveredMonitor, else the primary monitor's.
PixelRect CalibrationMonitor(HWND mainWindow);

}  // namespace norvessa
