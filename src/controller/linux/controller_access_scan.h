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

struct AccessScanRoots {
    std::string sysClassHidraw = "/sys/class/hidraw";
    std::string devDirectory = "/dev";
    // Opens the node for reading and writing as the link does and closes it again: 0 when
    // that worked, else the errno.
    std::function<int(const std::string& devnode)> tryOpen;
};

// The controller nodes that could not be opened, by minor number. Nodes that opened are left
// out: the link itself decides about those.
std::vector<ControllerAccess> FindRefusedControllers(const AccessScanRoots& roots = {});

}  // namespace norvessa
