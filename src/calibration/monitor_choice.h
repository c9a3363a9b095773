#pragma once
// Which monitor a calibration covers, and the pixels it speaks there. The controller is told the
// covered monitor's size and every target's position in that monitor's own physical pixels, with
// (0, 0) at its top-left corner; it believes them, so a wrong monitor or a logical size gives a
// wrong calibration that still succeeds. Pure functions over rectangles the platform reads.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "calibration/screen_geometry.h"

namespace norvessa {

struct PixelPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

struct PixelSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// What picks the monitor, strongest first: an explicit choice (the --screen option), the monitor
// the touch digitizer is mapped to when the system tells, else the one holding the main window.
struct MonitorPreference {
    std::optional<std::size_t> chosen;
    std::optional<std::size_t> digitizer;
    PixelRect mainWindow;
};

// An index into `monitors` (desktop rectangles, all in one coordinate space): the valid explicit
// or digitizer choice, else the monitor sharing the largest area with the main window (the first
// of equals), else, for a window off every monitor, the one nearest its centre. None without
// monitors.
std::optional<std::size_t> ChooseMonitor(std::span<const PixelRect> monitors,
                                         const MonitorPreference& preference);

// The pixels two rectangles share; 0 when apart.
std::int64_t OverlapArea(const PixelRect& a, const PixelRect& b);

// A length in logical pixels on a monitor of `scale` physical pixels per logical pixel, in
// physical pixels, rounded half away from zero as Qt rounds geometry x devicePixelRatio.
std::int32_t ToPhysicalLength(double logical, double scale);

// A monitor's size in its own physical pixels.
PixelSize PhysicalSize(const PixelRect& logicalMonitor, double scale);

// A point in desktop coordinates (logical on a scaled desktop) as physical pixels of the monitor
// it lies on, relative to that monitor's top-left corner: what the targets and the stability
// test compare with. Monitors left of or above the primary have negative origins.
PixelPoint ToMonitorPixels(double desktopX, double desktopY, const PixelRect& logicalMonitor,
                           double scale);

// An output as the display server reports it: its name, where it stands in the desktop (in the
// coordinates its screens' geometry uses) and its current mode, in its own pixels as shown.
struct DisplayOutput {
    std::string name;
    PixelPoint position;
    PixelSize mode;
};

// The display server's output behind a screen: the one of the same name, else the one at the
// screen's top-left corner (X servers on a Wayland compositor name outputs their own way). Where
// several fit (separate X screens each have their own output of one name, all at 0, 0), the one
// whose mode is nearest `scaled`, the screen's logical size times its scale. None when the
// server told nothing of it.
const DisplayOutput* FindOutput(std::span<const DisplayOutput> outputs, std::string_view name,
                                PixelPoint position, PixelSize scaled = {});

// What a calibration speaks on a screen: the size its frames carry, and how many of those pixels
// make one of the window's logical pixels (touches are multiplied by it, crosses divided).
struct ScreenPixels {
    PixelSize size;
    double perLogical = 1.0;
};

// The screen's pixels: its output's mode where the display server told it (a scaling X server
// on a Wayland compositor may show a smaller screen that the compositor stretches over the
// output; a fractional scale rounds the logical size, so the product may miss the mode by a
// pixel), else its logical size times its scale. None when a window covering the screen cannot
// cover the output: their shapes differ by more than the rounding of one pixel.
std::optional<ScreenPixels> CoverScreen(const PixelRect& logicalScreen, double scale,
                                        const DisplayOutput* output);

}  // namespace norvessa
