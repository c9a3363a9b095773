#include "calibration/check_points.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "calibration/target_layout.h"

namespace norvessa {
namespace {

// The targets' columns and rows lie at 0, 1/4, 1/3, 1/2, 2/3, 3/4 and 1 of the span between the
// margins. These shares sit halfway into the widest gaps between them.
constexpr double NEAR_EDGE = 1.0 / 8.0;
constexpr double FAR_EDGE = 7.0 / 8.0;
constexpr double BEFORE_MIDDLE = 5.0 / 12.0;
constexpr double AFTER_MIDDLE = 7.0 / 12.0;
constexpr double MIDDLE = 0.5;  // a target share: used only where the other axis keeps clear

constexpr double OFFERED_COUNTS[] = {4, 9, 12, 15, 16, 20, 25};

using Shares = std::pair<double, double>;

// Centre first would read oddly: row by row, as the targets are numbered.
constexpr Shares FIVE_POINTS[] = {{NEAR_EDGE, NEAR_EDGE},
                                  {FAR_EDGE, NEAR_EDGE},
                                  {AFTER_MIDDLE, BEFORE_MIDDLE},
                                  {NEAR_EDGE, FAR_EDGE},
                                  {FAR_EDGE, FAR_EDGE}};
// A 3 x 3 grid whose centre moves off the 9-point target in the middle of the screen.
constexpr Shares NINE_POINTS[] = {
    {NEAR_EDGE, NEAR_EDGE},        {MIDDLE, NEAR_EDGE}, {FAR_EDGE, NEAR_EDGE}, {NEAR_EDGE, MIDDLE},
    {AFTER_MIDDLE, BEFORE_MIDDLE}, {FAR_EDGE, MIDDLE},  {NEAR_EDGE, FAR_EDGE}, {MIDDLE, FAR_EDGE},
    {FAR_EDGE, FAR_EDGE}};

std::int32_t AtShare(double share, std::int32_t size) {
    const double span = static_cast<double>(size - 2 * TARGET_MARGIN);
    return TARGET_MARGIN + static_cast<std::int32_t>(std::lround(share * span));
}

}  // namespace

bool IsSupportedCheckPointCount(int count) {
    return count == 5 || count == 9;
}

std::optional<double> DistanceToNearestTarget(PixelPoint point, std::int32_t screenWidth,
                                              std::int32_t screenHeight) {
    std::optional<double> nearest;
    for (const double count : OFFERED_COUNTS) {
        TargetTable table;
        if (LayoutTargets(count, screenWidth, screenHeight, table) != LayoutResult::Ok) {
            continue;
        }
        for (int k = 0; k < static_cast<int>(count); ++k) {
            const double distance =
                std::hypot(static_cast<double>(point.x) - table.x[static_cast<std::size_t>(k)],
                           static_cast<double>(point.y) - table.y[static_cast<std::size_t>(k)]);
            nearest = std::min(nearest.value_or(distance), distance);
        }
    }
    return nearest;
}

std::optional<std::vector<PixelPoint>> LayoutCheckPoints(int count, std::int32_t screenWidth,
                                                         std::int32_t screenHeight) {
    if (!IsSupportedCheckPointCount(count) || screenWidth < MIN_SCREEN_SIZE ||
        screenHeight < MIN_SCREEN_SIZE) {
        return std::nullopt;
    }
    std::vector<PixelPoint> points;
    const auto place = [&](const auto& shares) {
        for (const auto& [x, y] : shares) {
            points.push_back({AtShare(x, screenWidth), AtShare(y, screenHeight)});
        }
    };
    if (count == 5) {
        place(FIVE_POINTS);
    } else {
        place(NINE_POINTS);
    }
    // A small screen leaves too little room between the targets: refuse rather than repeat them.
    const double clearance =
        CHECK_CLEARANCE_SHARE * static_cast<double>(std::min(screenWidth, screenHeight));
    for (const PixelPoint& point : points) {
        if (DistanceToNearestTarget(point, screenWidth, screenHeight).value_or(0.0) < clearance) {
            return std::nullopt;
        }
    }
    return points;
}

}  // namespace norvessa
