#pragma once
// Where the calibration crosses lie on the screen, for each offered point count.

#include <array>
#include <cstdint>
#include <optional>

namespace norvessa {

inline constexpr int MAX_TARGETS = 25;
inline constexpr std::int32_t TARGET_MARGIN = 20;
// The layout divides (size - 2 * margin); smaller screens would wrap in unsigned arithmetic.
inline constexpr std::int32_t MIN_SCREEN_SIZE = 2 * TARGET_MARGIN;

// Target k is (x[k], y[k]) in physical screen pixels, numbered row by row.
struct TargetTable {
    std::array<std::int32_t, MAX_TARGETS> x{};
    std::array<std::int32_t, MAX_TARGETS> y{};
};

struct TargetGrid {
    std::uint32_t columns;
    std::uint32_t rows;
};

enum class LayoutResult { Ok, UnsupportedCount, ScreenTooSmall };

// The grid for one of the seven offered counts (4, 9, 12, 15, 16, 20, 25), compared exactly.
std::optional<TargetGrid> GridForPointCount(double pointCount);
bool IsSupportedPointCount(double pointCount);

// Fills entries 0 to N - 1. On any result but Ok the table is left as it was, and the caller
// must not start a calibration with it.
[[nodiscard]] LayoutResult LayoutTargets(double pointCount, std::int32_t screenWidth,
                                         std::int32_t screenHeight, TargetTable& table);

}  // namespace norvessa
