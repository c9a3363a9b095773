#include "calibration/screen_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace norvessa {
namespace {

struct ScaleCase {
    double scale;
    std::int32_t arm;
    std::int32_t thickness;
};

class CrossScaling : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(CrossScaling, ArmsOfTenLogicalPixelsOneThickAroundTheTargetPixel) {
    const ScaleCase& c = GetParam();
    const CrossMetrics metrics = CrossMetricsForScale(c.scale);
    EXPECT_EQ(metrics.arm, c.arm);
    EXPECT_EQ(metrics.thickness, c.thickness);
    const auto [horizontal, vertical] = CrossBars(500, 300, metrics);
    EXPECT_EQ(horizontal, (PixelRect{500 - c.arm, horizontal.y, 2 * c.arm, c.thickness}));
    EXPECT_EQ(vertical, (PixelRect{vertical.x, 300 - c.arm, c.thickness, 2 * c.arm}));
    // Both bars hold the target pixel, and their middle is no farther than half a pixel off it.
    for (const PixelRect& bar : {horizontal, vertical}) {
        EXPECT_TRUE(bar.x <= 500 && 500 < bar.x + bar.width);
        EXPECT_TRUE(bar.y <= 300 && 300 < bar.y + bar.height);
    }
    EXPECT_LE(std::abs(2 * horizontal.y + horizontal.height - 2 * 300 - 1), 1);
    EXPECT_LE(std::abs(2 * vertical.x + vertical.width - 2 * 500 - 1), 1);
    // The hold cue and the cross lie inside the area repainted for the target.
    const PixelRect area = TargetArea(500, 300, metrics);
    const HoldCueRing ring = HoldCueFor(metrics);
    EXPECT_GT(ring.radius, metrics.arm);
    const std::int32_t outer = ring.radius + (ring.width + 1) / 2 + 1;  // with antialiasing
    EXPECT_LE(area.x, 500 - outer);
    EXPECT_GE(area.x + area.width, 500 + outer);
}

INSTANTIATE_TEST_SUITE_P(Scales, CrossScaling,
                         ::testing::Values(ScaleCase{1.0, 10, 1}, ScaleCase{1.25, 13, 1},
                                           ScaleCase{1.5, 15, 2}, ScaleCase{2.0, 20, 2},
                                           ScaleCase{3.0, 30, 3}, ScaleCase{0.0, 10, 1}));

struct PlacementCase {
    double count;
    std::int32_t width;
    std::int32_t height;
    std::int32_t textWidth;
    std::int32_t textHeight;
    bool betweenRows;  // a target lies at the centre: the text must sit between two rows
};

// Nearest distance from a target pixel to any pixel of the box, computed apart from the code.
double Distance(const PixelRect& box, std::int32_t x, std::int32_t y) {
    const double dx = std::max({box.x - x, x - (box.x + box.width - 1), 0});
    const double dy = std::max({box.y - y, y - (box.y + box.height - 1), 0});
    return std::hypot(dx, dy);
}

class GuidancePlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(GuidancePlacement, InsideTheScreenAndClearOfEveryTarget) {
    const PlacementCase& c = GetParam();
    TargetTable table{};
    ASSERT_EQ(LayoutTargets(c.count, c.width, c.height, table), LayoutResult::Ok);
    const auto count = static_cast<std::uint32_t>(c.count);
    const std::optional<PixelRect> box =
        PlaceGuidanceText(table, count, c.width, c.height, c.textWidth, c.textHeight);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->width, c.textWidth);
    EXPECT_EQ(box->height, c.textHeight);
    EXPECT_GE(box->x, 0);
    EXPECT_GE(box->y, 0);
    EXPECT_LE(box->x + box->width, c.width);
    EXPECT_LE(box->y + box->height, c.height);
    for (std::uint32_t k = 0; k < count; ++k) {
        EXPECT_GE(Distance(*box, table.x[k], table.y[k]), GUIDANCE_CLEARANCE) << "target " << k;
    }
    if (c.betweenRows) {
        for (std::uint32_t k = 0; k < count; ++k) {
            EXPECT_FALSE(box->y <= table.y[k] && table.y[k] < box->y + box->height)
                << "the text lies across the row of target " << k;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Grids, GuidancePlacement,
                         ::testing::Values(PlacementCase{4, 1920, 1080, 900, 120, false},
                                           PlacementCase{9, 1920, 1080, 560, 100, true},
                                           PlacementCase{12, 1920, 1080, 900, 120, false},
                                           PlacementCase{15, 1920, 1080, 700, 120, true},
                                           PlacementCase{16, 1920, 1080, 900, 120, false},
                                           PlacementCase{20, 1920, 1080, 900, 120, false},
                                           PlacementCase{25, 1920, 1080, 800, 120, true},
                                           PlacementCase{25, 1366, 768, 600, 60, true},
                                           PlacementCase{9, 800, 600, 500, 70, true}));

TEST(GuidancePlacementLimits, NoPlaceOnACrowdedScreenOrForAnOversizedText) {
    TargetTable table{};
    ASSERT_EQ(LayoutTargets(25, 800, 600, table), LayoutResult::Ok);
    // Rows 140 pixels apart leave 20 pixels between their clearances.
    EXPECT_FALSE(PlaceGuidanceText(table, 25, 800, 600, 500, 30).has_value());
    EXPECT_TRUE(PlaceGuidanceText(table, 25, 800, 600, 500, 20).has_value());
    EXPECT_FALSE(PlaceGuidanceText(table, 4, 800, 600, 801, 20).has_value());
}

}  // namespace
}  // namespace norvessa
