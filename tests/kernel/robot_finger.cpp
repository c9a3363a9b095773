#include "robot_finger.h"

#include <algorithm>

namespace norvessa::kernel {
namespace {

using std::chrono::milliseconds;
using namespace std::chrono_literals;

// Long enough for the calibration's stillness test (ten 10 ms samples) on an emulated machine.
constexpr milliseconds HOLD = 900ms;
constexpr milliseconds REPORT_INTERVAL = 10ms;
constexpr milliseconds TAP = 20ms;
constexpr milliseconds SLIDE = 200ms;
constexpr double SLIDE_PIXELS = 300;

// A finger stays on the glass.
GlassPoint Offset(GlassPoint point, double dx, double dy) {
    const double last = sim::DIGITIZER_MAX;
    return {std::clamp(point.x + dx, 0.0, last), std::clamp(point.y + dy, 0.0, last)};
}

std::vector<FingerStep> Resting(GlassPoint target, double unitsPerPixel, bool repeats,
                                bool jitters) {
    // A fixed tremor, so every run is the same: offsets of 1 to 3 pixels around the point.
    static constexpr int TREMOR[][2] = {{1, 0}, {-2, 1}, {0, -3}, {3, 2}, {-1, -1}, {2, -2}};
    std::vector<FingerStep> steps{{0ms, true, target}};
    if (repeats || jitters) {
        std::size_t n = 0;
        for (milliseconds at = REPORT_INTERVAL; at < HOLD; at += REPORT_INTERVAL, ++n) {
            const int* tremor = TREMOR[n % std::size(TREMOR)];
            steps.push_back(
                {at, true,
                 jitters ? Offset(target, tremor[0] * unitsPerPixel, tremor[1] * unitsPerPixel)
                         : target});
        }
    }
    steps.push_back({HOLD, false, steps.back().position});
    return steps;
}

std::vector<FingerStep> Sliding(GlassPoint target, double unitsPerPixel) {
    const double middle = sim::DIGITIZER_RANGE / 2;
    const double direction = target.x < middle ? 1 : -1;
    const int count = static_cast<int>(SLIDE / REPORT_INTERVAL);
    std::vector<FingerStep> steps{{0ms, true, target}};
    for (int n = 1; n <= count; ++n) {
        const double dx = direction * SLIDE_PIXELS * unitsPerPixel * n / count;
        steps.push_back({n * REPORT_INTERVAL, true, Offset(target, dx, 0)});
    }
    steps.push_back({SLIDE + REPORT_INTERVAL, false, steps.back().position});
    return steps;
}

}  // namespace

std::optional<FingerStyle> ParseFingerStyle(const std::string& name) {
    if (name == "still")
        return FingerStyle::Still;
    if (name == "repeating")
        return FingerStyle::Repeating;
    if (name == "jittering")
        return FingerStyle::Jittering;
    if (name == "tap")
        return FingerStyle::Tap;
    if (name == "slide")
        return FingerStyle::Slide;
    return std::nullopt;
}

bool Rests(FingerStyle style) {
    return style != FingerStyle::Tap && style != FingerStyle::Slide;
}

std::vector<FingerStep> TouchSteps(FingerStyle style, GlassPoint target, double unitsPerPixel) {
    switch (style) {
        case FingerStyle::Still:
            return Resting(target, unitsPerPixel, false, false);
        case FingerStyle::Repeating:
            return Resting(target, unitsPerPixel, true, false);
        case FingerStyle::Jittering:
            return Resting(target, unitsPerPixel, false, true);
        case FingerStyle::Tap:
            return {{0ms, true, target}, {TAP, false, target}};
        case FingerStyle::Slide:
            return Sliding(target, unitsPerPixel);
    }
    return {};
}

}  // namespace norvessa::kernel
