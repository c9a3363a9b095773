#include "calibration/target_layout.h"

namespace norvessa {

std::optional<TargetGrid> GridForPointCount(double pointCount) {
    // Squares first, then the three rectangular grids.
    if (pointCount == 4.0)
        return TargetGrid{2, 2};
    if (pointCount == 9.0)
        return TargetGrid{3, 3};
    if (pointCount == 16.0)
        return TargetGrid{4, 4};
    if (pointCount == 25.0)
        return TargetGrid{5, 5};
    if (pointCount == 12.0)
        return TargetGrid{4, 3};
    if (pointCount == 15.0)
        return TargetGrid{5, 3};
    if (pointCount == 20.0)
        return TargetGrid{5, 4};
    return std::nullopt;
}

bool IsSupportedPointCount(double pointCount) {
    return GridForPointCount(pointCount).has_value();
}

LayoutResult LayoutTargets(double pointCount, std::int32_t screenWidth, std::int32_t screenHeight,
                           TargetTable& table) {
    const std::optional<TargetGrid> grid = GridForPointCount(pointCount);
    if (!grid) {
        return LayoutResult::UnsupportedCount;
    }
    if (screenWidth < MIN_SCREEN_SIZE || screenHeight < MIN_SCREEN_SIZE) {
        return LayoutResult::ScreenTooSmall;
    }
    // Unsigned 32-bit steps that drop the remainder: the last column and row end up the
    // remainder further from the far edges than the margin.
    const auto spanX = static_cast<std::uint32_t>(screenWidth - MIN_SCREEN_SIZE);
    const auto spanY = static_cast<std::uint32_t>(screenHeight - MIN_SCREEN_SIZE);
    const std::uint32_t stepX = spanX / (grid->columns - 1);
    const std::uint32_t stepY = spanY / (grid->rows - 1);
    const std::uint32_t count = grid->columns * grid->rows;
    for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t column = k % grid->columns;
        const std::uint32_t row = k / grid->columns;
        table.x[k] =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(TARGET_MARGIN) + column * stepX);
        table.y[k] =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(TARGET_MARGIN) + row * stepY);
    }
    return LayoutResult::Ok;
}

}  // namespace norvessa
