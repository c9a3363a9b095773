#pragma once
// Which words the calibration window shows, from the run's state and the time-out's countdown:
// resource string IDs and the numbers for their placeholders, for either build to load in the
// user's language and draw in the place PlaceGuidanceText found.

#include <cstdint>
#include <optional>
#include <string>

#include "calibration/calibration_run.h"

namespace norvessa {

// One string-table entry and the numbers that fill its "%1" and "%2".
struct ResourceText {
    int id = 0;
    std::int64_t first = 0;
    std::int64_t second = 0;
    friend bool operator==(const ResourceText&, const ResourceText&) = default;
};

// Three lines: the heading; the progress with the countdown beside it; the hint.
struct GuidanceText {
    ResourceText heading;  // the instruction, or the wait for the verdict after the last target
    std::optional<ResourceText> progress;   // "Target k of N" while targets remain
    std::optional<ResourceText> countdown;  // the time-out's last seconds
    std::optional<ResourceText> hint;       // why the last lift-off was refused
};
inline constexpr int GUIDANCE_LINES = 3;

GuidanceText GuidanceFor(const CalibrationRun& run, std::optional<std::int64_t> countdownSeconds);
// "Target k of N" for a calibration, "Check point k of N" for a check.
int ProgressTextId(const CalibrationRun& run);

// "%1" and "%2" in `pattern` replaced by `first` and `second`; any other text is left as it is.
template <class String>
String FillPlaceholders(const String& pattern, const String& first, const String& second = {}) {
    String out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() &&
            (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            out += pattern[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace norvessa
