#pragma once
// What a check's report says about the checked monitor beyond its place on the desktop: the
// name the system gives it, its physical size from its EDID (SetupAPI), its scale and its
// rotation. Each is left at "unknown" when the system does not tell it (Wine has no EDID).

#include <optional>
#include <string>

#include "calibration/check_error.h"
#include "calibration/win32/calibration_monitor.h"

namespace norvessa {

struct MonitorDetails {
    std::string name;  // the monitor's own name ("Generic PnP Monitor"), else the device name
    std::optional<MonitorMillimetres> millimetres;
    double scale = 1.0;       // DPI / 96
    int rotationDegrees = 0;  // 0, 90, 180 or 270
};

MonitorDetails DescribeMonitor(const NamedMonitor& monitor);

}  // namespace norvessa
