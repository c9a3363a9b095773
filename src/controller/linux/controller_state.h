#pragma once
// The current controller as everything outside the link reaches it: the fd that output reports
// are written to and replies read from, and the byte count of every output-report write.
// Written only by the link, on the user-interface thread. The fd is borrowed: the link's
// opened interface owns it, and both values are emptied before that interface closes it.

#include <cstdint>

#include "controller/linux/controller_channel.h"

namespace norvessa {

struct ControllerEvents;

extern int g_controllerFd;
extern std::uint32_t g_outputReportLength;
// The current controller's writer thread, owned by its opened interface like the fd.
extern ReportWriter* g_controllerWriter;

ControllerChannel CurrentControllerChannel();

// Wraps the user interface's events so the two values above follow the current controller:
// set before `changed` reports a controller, emptied once `releasing` has stopped its users and
// before its fd is closed.
ControllerEvents TrackControllerState(ControllerEvents userInterface);

}  // namespace norvessa
