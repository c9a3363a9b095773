#pragma once
// Mapping a touch screen onto one monitor of an X desktop: the XInput "Coordinate
// Transformation Matrix" that squeezes a device spanning the whole root window onto the
// monitor, and the xorg.conf.d section that sets the same matrix at every start of the server.

#include <array>
#include <string>

#include "calibration/monitor_choice.h"
#include "calibration/screen_geometry.h"

namespace norvessa {

// Row-major [w/W 0 x/W; 0 h/H y/H; 0 0 1] for `monitor` (x, y, w, h) in a root of W x H
// pixels. A root of no size gives the identity: there is nothing to map onto.
std::array<float, 9> TransformationMatrixFor(PixelRect monitor, PixelSize root);

// The nine numbers as X options and xinput take them: space-separated, shortest exact form,
// never a locale's decimal comma.
std::string MatrixText(const std::array<float, 9>& matrix);

// An InputClass section matching the device by its product name, with a first comment line
// naming the file it belongs in (/etc/X11/xorg.conf.d/99-norvessa-touch.conf). A quote in the
// name cannot stand in an X configuration string and is left out.
std::string XorgSnippetFor(const std::string& deviceName, const std::array<float, 9>& matrix);

}  // namespace norvessa
