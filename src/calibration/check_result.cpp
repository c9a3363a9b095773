#include "calibration/check_result.h"

namespace norvessa {

std::optional<double> TolerancePixels(Tolerance tolerance, const CheckedMonitor& monitor) {
    if (tolerance.unit == ToleranceUnit::Pixels) {
        return tolerance.value;
    }
    if (!monitor.millimetres || monitor.millimetres->width <= 0 ||
        monitor.millimetres->height <= 0) {
        return std::nullopt;
    }
    // Pixels are close to square on every real monitor: the mean of both axes' densities.
    const double perMillimetre = (monitor.width / monitor.millimetres->width +
                                  monitor.height / monitor.millimetres->height) /
                                 2.0;
    return tolerance.value * perMillimetre;
}

std::optional<CheckResult> EvaluateCheck(const std::vector<PixelPoint>& targets,
                                         const std::vector<PixelPoint>& touches,
                                         const CheckedMonitor& monitor, Tolerance tolerance,
                                         const std::vector<PixelRect>& monitors,
                                         std::size_t checked) {
    std::optional<CheckMeasurement> measurement =
        MeasureCheck(targets, touches, monitor, tolerance);
    const std::optional<double> tolerancePixels = TolerancePixels(tolerance, monitor);
    if (!measurement || !tolerancePixels) {
        return std::nullopt;
    }
    CheckResult result{std::move(*measurement),
                       Diagnose(targets, touches, monitors, checked, *tolerancePixels)};
    // The verdict is the measurement's: a tolerance in millimetres turned into pixels must not
    // let the diagnosis say otherwise at the border.
    const bool withinKind = result.diagnosis.kind == DiagnosisKind::WithinTolerance;
    if (result.measurement.passed != withinKind) {
        result.diagnosis.kind =
            result.measurement.passed ? DiagnosisKind::WithinTolerance : DiagnosisKind::NoPattern;
        result.diagnosis.otherMonitor.reset();
    }
    return result;
}

}  // namespace norvessa
