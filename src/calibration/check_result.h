#pragma once
// A whole check's outcome from its points and the touches taken there: the measurement against
// the tolerance and, when it failed, the named cause.

#include <cstddef>
#include <optional>
#include <vector>

#include "calibration/check_diagnosis.h"
#include "calibration/check_error.h"

namespace norvessa {

struct CheckResult {
    CheckMeasurement measurement;
    Diagnosis diagnosis;
};

// The tolerance as pixels of the monitor; a length in millimetres needs the physical size
// (nothing without it).
std::optional<double> TolerancePixels(Tolerance tolerance, const CheckedMonitor& monitor);

// `monitors` is every monitor of the desktop in physical pixels and `checked` the checked one's
// index; `touches` are in the checked monitor's own pixels. Nothing when the measurement cannot
// be made (see MeasureCheck).
std::optional<CheckResult> EvaluateCheck(const std::vector<PixelPoint>& targets,
                                         const std::vector<PixelPoint>& touches,
                                         const CheckedMonitor& monitor, Tolerance tolerance,
                                         const std::vector<PixelRect>& monitors,
                                         std::size_t checked);

}  // namespace norvessa
