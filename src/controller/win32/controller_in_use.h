#pragma once
// Why no controller became current although one is plugged in: another program holds it.

#include <vector>

#include "controller/controller_access.h"

namespace norvessa {

// The present HID interfaces that carry the controller's description but that another program
// opened without sharing, in enumeration order, each as InUse. Never throws.
std::vector<ControllerAccess> FindControllersInUse();

}  // namespace norvessa
