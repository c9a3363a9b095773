#pragma once
// The outputs of the Wayland compositor the session runs on, as it reports them: what a screen's
// pixels really are when an X server on that compositor (XWayland) scales, or when the toolkit's
// scale differs from the output's.

#include <vector>

#include "calibration/monitor_choice.h"

namespace norvessa::ui {

// Every output of the compositor named by WAYLAND_DISPLAY, with its current mode turned as the
// output shows it. Empty without one, or when it cannot be reached.
std::vector<DisplayOutput> WaylandOutputs();

}  // namespace norvessa::ui
