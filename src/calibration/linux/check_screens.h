#pragma once
// What a calibration check needs to know of Qt's screens: the checked monitor's size in pixels
// and millimetres, every monitor of the desktop in physical pixels for the diagnosis, the names
// the main window gives them, and where the platform sets which monitor a touch screen is
// mapped to.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calibration/check_error.h"
#include "calibration/check_text.h"
#include "calibration/monitor_choice.h"

class QScreen;
class QSizeF;

namespace norvessa::ui {

// A physical size a monitor could have: a screen reporting 0, or a size no monitor has (a
// projector or a wrong EDID says 1 x 1 mm or several metres), is unknown.
std::optional<MonitorMillimetres> PlausibleMillimetres(double widthMm, double heightMm);

// The checked monitor: `pixels` as the check's window covers it, millimetres where known.
CheckedMonitor CheckedMonitorOf(const QScreen& screen, PixelSize pixels);

// Every screen of the application in Qt's order, in physical pixels of one desktop: each
// screen's origin as it stands and its size times its scale.
std::vector<PixelRect> DesktopMonitors();
// What covers them all.
PixelRect BoundingRect(const std::vector<PixelRect>& monitors);
// Each screen as the main window's status line names it: its index and quoted name.
std::vector<std::string> ScreenLabels();

// X11 has the check's own button, unless the X server runs on a Wayland session (XWayland),
// whose compositor does the mapping; GNOME on Wayland has its Settings; another compositor its
// own configuration. `desktop` is XDG_CURRENT_DESKTOP (a colon-separated list).
MappingRemedy RemedyFor(bool onX11, bool waylandSession, std::string_view desktop);
// The same for the platform this process runs on.
MappingRemedy CurrentRemedy();
bool OnX11();

}  // namespace norvessa::ui
