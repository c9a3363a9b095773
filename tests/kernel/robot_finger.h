#pragma once
// The robot finger of the touch road: how a finger of each style touches a point of the glass,
// as the steps of digitizer reports it makes. Positions are in the digitizer's units
// (0..32767 on both axes, fractions where the finger lies between them); the device program turns
// each step into a multitouch report.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "screen_model.h"

namespace norvessa::kernel {

using sim::GlassPoint;

enum class FingerStyle {
    Still,      // lands and rests: no report until the lift-off (the kernel drops repeats)
    Repeating,  // rests, but its digitizer repeats the same report every 10 ms
    Jittering,  // rests with a tremor of 1 to 3 pixels, a report every 10 ms
    Tap,        // lifts after 20 ms
    Slide,      // moves 300 pixels toward the middle of the glass and lifts without resting
};

std::optional<FingerStyle> ParseFingerStyle(const std::string& name);
// Whether a target touched in this style must be accepted.
bool Rests(FingerStyle style);

struct FingerStep {
    std::chrono::milliseconds at;  // from the touch-down
    bool touching;                 // false: the lift-off, the last step
    GlassPoint position;
};

// The steps of one touch on `target`; `unitsPerPixel` sizes the tremor and the slide.
std::vector<FingerStep> TouchSteps(FingerStyle style, GlassPoint target, double unitsPerPixel);

}  // namespace norvessa::kernel
