#pragma once
// Where the check of a calibration asks for touches: points spread over the screen that keep
// clear of every calibration target of every offered count, so the check measures the
// controller's fit between its own points rather than at them.

#include <cstdint>
#include <optional>
#include <vector>

#include "calibration/monitor_choice.h"

namespace norvessa {

inline constexpr int DEFAULT_CHECK_POINTS = 5;
// A check point keeps at least this share of the screen's smaller side from every target.
inline constexpr double CHECK_CLEARANCE_SHARE = 0.05;

bool IsSupportedCheckPointCount(int count);

// 5 points: near the centre and one in each quadrant; 9 points: a 3 x 3 grid reaching to about
// a tenth of the edges. Row by row, top left first. Nothing for another count or a screen too
// small to keep the clearance.
std::optional<std::vector<PixelPoint>> LayoutCheckPoints(int count, std::int32_t screenWidth,
                                                         std::int32_t screenHeight);

// The distance from `point` to the nearest calibration target of any offered count on that
// screen; nothing when no count can be laid out there.
std::optional<double> DistanceToNearestTarget(PixelPoint point, std::int32_t screenWidth,
                                              std::int32_t screenHeight);

}  // namespace norvessa
