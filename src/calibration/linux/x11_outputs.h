#pragma once
// The outputs of the X server Qt's xcb platform talks to, as RandR reports them: what a screen's
// pixels really are when Qt scales (QT_SCALE_FACTOR, a fractional ratio), since Qt's logical
// geometry is rounded and its product with the ratio may miss the output's mode by a pixel.

#include <vector>

#include "calibration/monitor_choice.h"

namespace norvessa::ui {

// Every output driven by a CRTC, on every X screen of Qt's connection: its name, its CRTC's
// position and size in root-window pixels (rotation applied). Empty on another platform, or
// without RandR.
std::vector<DisplayOutput> X11Outputs();

}  // namespace norvessa::ui
