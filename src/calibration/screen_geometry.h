#pragma once
// What the calibration window draws besides the run's state, as pixel geometry: the cross and
// the hold cue around it, scaled with the screen's DPI, and the place of the guidance text,
// clear of every target of the run. Pure functions; positions in physical screen pixels.

#include <array>
#include <cstdint>
#include <optional>

#include "calibration/calibration_run.h"
#include "calibration/target_layout.h"

namespace norvessa {

// Pixels x .. x + width - 1 and y .. y + height - 1.
struct PixelRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// No pixel of the guidance text lies this close to a target, horizontally and vertically.
inline constexpr std::int32_t GUIDANCE_CLEARANCE = 60;

struct CrossMetrics {
    std::int32_t arm = CROSS_ARM;  // pixels on each side of the centre
    std::int32_t thickness = 1;
};

// `scale` is physical pixels per logical pixel (DPI / 96): arms of 10 logical pixels, one
// logical pixel thick, never thinner than one physical pixel.
CrossMetrics CrossMetricsForScale(double scale);

// The horizontal and the vertical bar. Each arm reaches `arm` pixels to either side of the
// target's corner point, the point the controller is told, and the bars' crossing always holds
// the target pixel; at 96 DPI that is X - 10 .. X + 9 by Y, and X by Y - 10 .. Y + 9.
std::array<PixelRect, 2> CrossBars(std::int32_t x, std::int32_t y, CrossMetrics metrics);

// The hold cue: a ring around the cross that fills as the contact is held.
struct HoldCueRing {
    std::int32_t radius = 0;  // to the middle of the ring's stroke
    std::int32_t width = 0;
};
HoldCueRing HoldCueFor(CrossMetrics metrics);

// Everything drawn at a target (cross and hold cue), for repainting just that.
PixelRect TargetArea(std::int32_t x, std::int32_t y, CrossMetrics metrics);

// True when no pixel of `box` lies within GUIDANCE_CLEARANCE of any of the first `count`
// targets, measured along either axis.
bool ClearOfTargets(const PixelRect& box, const TargetTable& targets, std::uint32_t count);

// Where a text box of the given size goes: inside the screen, clear of all `count` targets,
// as near the screen's centre as possible. Grids with a target at the centre get it between
// two rows. None when the screen has no such place (small screens with many targets).
std::optional<PixelRect> PlaceGuidanceText(const TargetTable& targets, std::uint32_t count,
                                           std::int32_t screenWidth, std::int32_t screenHeight,
                                           std::int32_t textWidth, std::int32_t textHeight);

}  // namespace norvessa
