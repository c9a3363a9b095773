#pragma once
// What a search saw of a HID interface that carries the touch controller's descriptor but
// could not be opened: why the main window's buttons are grey although a controller is there.

#include <string>

namespace norvessa {

enum class AccessProblem {
    Denied,  // the user may not open it (Linux: EACCES or EPERM; the udev rule is missing)
    InUse,   // another program holds it (Windows: a sharing violation)
    Other,   // anything else: it counts as not found
};

struct ControllerAccess {
    std::string path;
    AccessProblem problem = AccessProblem::Other;
};

}  // namespace norvessa
