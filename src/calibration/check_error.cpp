#include "calibration/check_error.h"

#include <cmath>
#include <string>

namespace norvessa {
namespace {

constexpr double DEFAULT_TOLERANCE_SHARE = 0.01;

std::optional<double> Millimetres(double dx, double dy, const CheckedMonitor& monitor) {
    if (!monitor.millimetres || monitor.width <= 0 || monitor.height <= 0) {
        return std::nullopt;
    }
    // Pixels need not be square: each axis has its own pitch.
    const double perPixelX = monitor.millimetres->width / monitor.width;
    const double perPixelY = monitor.millimetres->height / monitor.height;
    return std::hypot(dx * perPixelX, dy * perPixelY);
}

// Digits with at most one decimal point, read without the locale: the digits as one whole
// number, divided once by the power of ten the fraction stands for.
std::optional<double> PlainDecimal(std::string_view text) {
    double digits = 0;
    double divisor = 1;
    bool point = false;
    bool anyDigit = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits = digits * 10 + (c - '0');
            divisor *= point ? 10 : 1;
            anyDigit = true;
        } else {
            return std::nullopt;
        }
    }
    return anyDigit ? std::optional<double>(digits / divisor) : std::nullopt;
}

}  // namespace

Tolerance DefaultTolerance(const CheckedMonitor& monitor) {
    return {DEFAULT_TOLERANCE_SHARE *
                std::hypot(static_cast<double>(monitor.width), static_cast<double>(monitor.height)),
            ToleranceUnit::Pixels};
}

std::optional<Tolerance> ParseTolerance(std::string_view text) {
    ToleranceUnit unit = ToleranceUnit::Pixels;
    if (text.size() > 2 && text.substr(text.size() - 2) == "mm") {
        unit = ToleranceUnit::Millimetres;
        text.remove_suffix(2);
    }
    // Digits and one decimal point only: no sign, exponent, spaces or "inf".
    const std::optional<double> value = PlainDecimal(text);
    if (!value || !(*value > 0) || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return Tolerance{*value, unit};
}

std::optional<CheckMeasurement> MeasureCheck(const std::vector<PixelPoint>& targets,
                                             const std::vector<PixelPoint>& touches,
                                             const CheckedMonitor& monitor, Tolerance tolerance) {
    const bool inMillimetres = tolerance.unit == ToleranceUnit::Millimetres;
    if (targets.empty() || targets.size() != touches.size() ||
        (inMillimetres && !monitor.millimetres)) {
        return std::nullopt;
    }
    CheckMeasurement measurement;
    measurement.tolerance = tolerance;
    measurement.passed = true;
    double sumPixels = 0;
    double sumMillimetres = 0;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        PointError error{targets[i], touches[i]};
        error.dx = static_cast<double>(touches[i].x) - targets[i].x;
        error.dy = static_cast<double>(touches[i].y) - targets[i].y;
        error.pixels = std::hypot(error.dx, error.dy);
        error.millimetres = Millimetres(error.dx, error.dy, monitor);
        error.within = (inMillimetres ? *error.millimetres : error.pixels) <= tolerance.value;
        measurement.passed = measurement.passed && error.within;
        sumPixels += error.pixels;
        sumMillimetres += error.millimetres.value_or(0);
        measurement.points.push_back(error);
        if (error.pixels > measurement.points[measurement.largest].pixels) {
            measurement.largest = i;
        }
    }
    const auto count = static_cast<double>(targets.size());
    measurement.meanPixels = sumPixels / count;
    if (monitor.millimetres) {
        measurement.meanMillimetres = sumMillimetres / count;
    }
    return measurement;
}

ScreenRegion RegionOf(PixelPoint point, std::int32_t width, std::int32_t height) {
    const auto third = [](std::int32_t value, std::int32_t size) {
        if (size <= 0 || value < size / 3) {
            return 0;
        }
        return value < size - size / 3 ? 1 : 2;
    };
    return static_cast<ScreenRegion>(third(point.y, height) * 3 + third(point.x, width));
}

}  // namespace norvessa
