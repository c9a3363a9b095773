#pragma once
// The arithmetic of a calibration check: how far each touch landed from its check point, in
// pixels and, where the monitor's physical size is known, in millimetres; the tolerance; and
// whether the check passed.

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "calibration/check_points.h"

namespace norvessa {

struct MonitorMillimetres {
    double width = 0;
    double height = 0;
};

// The checked monitor: its size in physical pixels and, when known, in millimetres.
struct CheckedMonitor {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::optional<MonitorMillimetres> millimetres;
};

enum class ToleranceUnit { Pixels, Millimetres };

struct Tolerance {
    double value = 0;
    ToleranceUnit unit = ToleranceUnit::Pixels;
};

// The default: 1 % of the monitor's diagonal, in pixels (about 22 px on 1920 x 1080).
Tolerance DefaultTolerance(const CheckedMonitor& monitor);
// "N" (pixels) or "Nmm", N a positive decimal number; nothing for anything else.
std::optional<Tolerance> ParseTolerance(std::string_view text);

struct PointError {
    PixelPoint target;
    PixelPoint touch;  // in the checked monitor's pixels; may lie outside it
    double dx = 0;     // touch minus target
    double dy = 0;
    double pixels = 0;
    std::optional<double> millimetres;
    bool within = false;
};

struct CheckMeasurement {
    std::vector<PointError> points;
    std::size_t largest = 0;  // index of the point with the largest error
    double meanPixels = 0;
    std::optional<double> meanMillimetres;
    Tolerance tolerance;
    bool passed = false;  // every point within the tolerance
};

// Nothing when the lists differ in length or are empty, or when a tolerance in millimetres
// meets a monitor whose physical size is unknown.
std::optional<CheckMeasurement> MeasureCheck(const std::vector<PixelPoint>& targets,
                                             const std::vector<PixelPoint>& touches,
                                             const CheckedMonitor& monitor, Tolerance tolerance);

// Where on the monitor a point lies, by thirds: for the summary line ("bottom right").
enum class ScreenRegion {
    TopLeft,
    Top,
    TopRight,
    Left,
    Centre,
    Right,
    BottomLeft,
    Bottom,
    BottomRight
};
ScreenRegion RegionOf(PixelPoint point, std::int32_t width, std::int32_t height);

}  // namespace norvessa
