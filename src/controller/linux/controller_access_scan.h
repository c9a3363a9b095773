#pragma once
// Why no controller became current although one may be plugged in: the hidraw nodes whose
// report descriptor, read from sysfs as the access probe reads it, is the controller's, but
// which this user could not open. Tells a missing udev rule (EACCES, EPERM) from a controller
// that is not there at all.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controller/controller_access.h"

namespace norvessa {

// The HID device's descriptor as the kernel exports it under the node's sysfs directory;
// none when it cannot be read. Refuses to cut an oversized descriptor short.
std::optional<std::vector<std::uint8_t>> ReadSysfsReportDescriptor(const std::string& syspath);

AccessProblem AccessProblemForErrno(int error);

inline constexpr const char* SYS_CLASS_HIDRAW = "/sys/class/hidraw";

// Whether the hidraw node `devnode` (/dev/hidrawN) carries the controller's descriptor, read from
// its directory under `sysClassHidraw` (hidrawN there) as FindRefusedControllers reads it.
bool IsControllerNode(const std::string& devnode, const std::string& sysClassHidraw);

// Logs that `devnode` could not be opened (`error` is the errno). Every HID device but the
// controller is closed to the seat's user, so a denied node is debug detail, unless it is the
// controller's: then the udev rule is missing, and that is logged as an error (shown as a Qt
// warning by the application, debug output or not), once per failed open.
void LogOpenFailure(const std::string& devnode, int error,
                    const std::string& sysClassHidraw = SYS_CLASS_HIDRAW);

struct AccessScanRoots {
    std::string sysClassHidraw = SYS_CLASS_HIDRAW;
    std::string devDirectory = "/dev";
    // Opens the node for reading and writing as the link does and closes it again: 0 when
    // that worked, else the errno.
    std::function<int(const std::string& devnode)> tryOpen;
};

// The controller nodes that could not be opened, by minor number. Nodes that opened are left
// out: the link itself decides about those.
std::vector<ControllerAccess> FindRefusedControllers(const AccessScanRoots& roots = {});

}  // namespace norvessa
