#pragma once
// Names the cause of a failed check when the touches follow a known pattern: the touch screen
// mapped to the whole desktop or to another monitor, swapped axes, a mirrored axis, a rotation.
// Pure: the user interface turns the kind into its line of text and remedy.

#include <cstddef>
#include <optional>
#include <vector>

#include "calibration/affine_fit.h"

namespace norvessa {

enum class DiagnosisKind {
    WithinTolerance,       // every touch within the tolerance: nothing to name
    MappedToDesktop,       // the touch screen spans the whole desktop, not this monitor
    MappedToOtherMonitor,  // the touch screen is mapped to `otherMonitor`
    SwappedAxes,
    MirroredX,
    MirroredY,
    Rotated90,  // clockwise, as the picture appears turned
    Rotated180,
    Rotated270,
    NoPattern,  // beyond the tolerance, no known cause: calibrate again with more points
};

struct Diagnosis {
    DiagnosisKind kind = DiagnosisKind::NoPattern;
    std::optional<std::size_t> otherMonitor;  // index into the monitors, with MappedToOtherMonitor
    std::optional<AffineFit> fit;
};

// `monitors` are places on the desktop in physical pixels. `touches` are in the checked monitor's
// own pixels (a touch on another monitor lies outside it); `monitors` lists every monitor on the
// desktop, `checked` the index of the checked one.
Diagnosis Diagnose(const std::vector<PixelPoint>& targets, const std::vector<PixelPoint>& touches,
                   const std::vector<PixelRect>& monitors, std::size_t checked,
                   double tolerancePixels);

}  // namespace norvessa
