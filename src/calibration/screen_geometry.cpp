#include "calibration/screen_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>

namespace norvessa {
namespace {

// Pixels between `value` and the nearest of first .. first + size - 1; 0 inside.
std::int64_t GapAlong(std::int32_t value, std::int32_t first, std::int32_t size) {
    const std::int64_t last = std::int64_t{first} + size - 1;
    return std::max<std::int64_t>({std::int64_t{first} - value, value - last, 0});
}

// Distinct values, ordered.
std::vector<std::int32_t> Distinct(const std::array<std::int32_t, MAX_TARGETS>& values,
                                   std::uint32_t count) {
    const std::set<std::int32_t> distinct(values.begin(), values.begin() + count);
    return {distinct.begin(), distinct.end()};
}

// Centre lines to try along one axis, nearest the screen's centre first: the centre itself,
// then the middle between each two neighbouring rows (or columns) of targets.
std::vector<std::int32_t> CandidateCentres(const std::vector<std::int32_t>& lines,
                                           std::int32_t screenSize) {
    std::vector<std::int32_t> centres{screenSize / 2};
    for (std::size_t i = 1; i < lines.size(); ++i) {
        centres.push_back(lines[i - 1] + (lines[i] - lines[i - 1]) / 2);
    }
    std::stable_sort(centres.begin() + 1, centres.end(), [&](std::int32_t a, std::int32_t b) {
        return std::abs(a - screenSize / 2) < std::abs(b - screenSize / 2);
    });
    return centres;
}

}  // namespace

CrossMetrics CrossMetricsForScale(double scale) {
    const double safeScale = scale > 0.0 ? scale : 1.0;
    CrossMetrics metrics;
    metrics.arm = static_cast<std::int32_t>(std::lround(CROSS_ARM * safeScale));
    metrics.thickness =
        std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(safeScale)));
    return metrics;
}

std::array<PixelRect, 2> CrossBars(std::int32_t x, std::int32_t y, CrossMetrics metrics) {
    const std::int32_t before = metrics.thickness / 2;
    return {PixelRect{x - metrics.arm, y - before, 2 * metrics.arm, metrics.thickness},
            PixelRect{x - before, y - metrics.arm, metrics.thickness, 2 * metrics.arm}};
}

HoldCueRing HoldCueFor(CrossMetrics metrics) {
    return {2 * metrics.arm, 3 * metrics.thickness};
}

PixelRect TargetArea(std::int32_t x, std::int32_t y, CrossMetrics metrics) {
    const HoldCueRing ring = HoldCueFor(metrics);
    // Antialiased strokes reach a pixel beyond their nominal edge.
    const std::int32_t reach = ring.radius + ring.width / 2 + 2;
    return {x - reach, y - reach, 2 * reach + 1, 2 * reach + 1};
}

bool ClearOfTargets(const PixelRect& box, const TargetTable& targets, std::uint32_t count) {
    const std::uint32_t n = std::min<std::uint32_t>(count, MAX_TARGETS);
    for (std::uint32_t k = 0; k < n; ++k) {
        if (GapAlong(targets.x[k], box.x, box.width) < GUIDANCE_CLEARANCE &&
            GapAlong(targets.y[k], box.y, box.height) < GUIDANCE_CLEARANCE) {
            return false;
        }
    }
    return true;
}

std::optional<PixelRect> PlaceGuidanceText(const TargetTable& targets, std::uint32_t count,
                                           std::int32_t screenWidth, std::int32_t screenHeight,
                                           std::int32_t textWidth, std::int32_t textHeight) {
    if (textWidth <= 0 || textHeight <= 0 || textWidth > screenWidth || textHeight > screenHeight) {
        return std::nullopt;
    }
    const std::uint32_t n = std::min<std::uint32_t>(count, MAX_TARGETS);
    const std::vector<std::int32_t> rows = CandidateCentres(Distinct(targets.y, n), screenHeight);
    const std::vector<std::int32_t> columns = CandidateCentres(Distinct(targets.x, n), screenWidth);
    const auto within = [](std::int32_t start, std::int32_t size, std::int32_t screen) {
        return std::clamp(start, 0, screen - size);
    };
    // Centred across the screen wherever that fits, at the centre or between two rows, before
    // any place off to a side: text reads best centred, and a grid with a centre target thus
    // gets it between its rows rather than squeezed between two columns of the centre row.
    for (std::int32_t columnCentre : columns) {
        for (std::int32_t rowCentre : rows) {
            const PixelRect box{within(columnCentre - textWidth / 2, textWidth, screenWidth),
                                within(rowCentre - textHeight / 2, textHeight, screenHeight),
                                textWidth, textHeight};
            if (ClearOfTargets(box, targets, n)) {
                return box;
            }
        }
    }
    return std::nullopt;
}

}  // namespace norvessa
