#include "calibration/target_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace norvessa {
namespace {

struct LayoutCase {
    double count;
    std::int32_t width;
    std::int32_t height;
    std::vector<std::int32_t> columnsX;  // every row uses these X values
    std::vector<std::int32_t> rowsY;     // every column uses these Y values
};

class LayoutGrid : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutGrid, RowByRowPositions) {
    const LayoutCase& c = GetParam();
    TargetTable table{};
    ASSERT_EQ(LayoutTargets(c.count, c.width, c.height, table), LayoutResult::Ok);
    const std::size_t columns = c.columnsX.size();
    const std::size_t count = columns * c.rowsY.size();
    ASSERT_EQ(static_cast<double>(count), c.count);
    for (std::size_t k = 0; k < count; ++k) {
        EXPECT_EQ(table.x[k], c.columnsX[k % columns]) << "target " << k;
        EXPECT_EQ(table.y[k], c.rowsY[k / columns]) << "target " << k;
    }
    for (std::size_t k = count; k < MAX_TARGETS; ++k) {
        EXPECT_EQ(table.x[k], 0) << "entry past the count was written: " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    FullHd, LayoutGrid,
    ::testing::Values(LayoutCase{4, 1920, 1080, {20, 1900}, {20, 1060}},
                      LayoutCase{9, 1920, 1080, {20, 960, 1900}, {20, 540, 1060}},
                      LayoutCase{12, 1920, 1080, {20, 646, 1272, 1898}, {20, 540, 1060}},
                      LayoutCase{15, 1920, 1080, {20, 490, 960, 1430, 1900}, {20, 540, 1060}},
                      LayoutCase{16, 1920, 1080, {20, 646, 1272, 1898}, {20, 366, 712, 1058}},
                      LayoutCase{20, 1920, 1080, {20, 490, 960, 1430, 1900}, {20, 366, 712, 1058}},
                      LayoutCase{
                          25, 1920, 1080, {20, 490, 960, 1430, 1900}, {20, 280, 540, 800, 1060}}));

INSTANTIATE_TEST_SUITE_P(
    OtherScreens, LayoutGrid,
    ::testing::Values(
        LayoutCase{25, 1366, 768, {20, 351, 682, 1013, 1344}, {20, 202, 384, 566, 748}},
        LayoutCase{15, 1366, 768, {20, 351, 682, 1013, 1344}, {20, 384, 748}},
        // Portrait 4K: 2120 / 3 = 706 r 2, 3800 / 2 = 1900.
        LayoutCase{12, 2160, 3840, {20, 726, 1432, 2138}, {20, 1920, 3820}},
        // The smallest screen accepted: every target sits on the margin.
        LayoutCase{9, 40, 40, {20, 20, 20}, {20, 20, 20}},
        LayoutCase{20, 800, 41, {20, 210, 400, 590, 780}, {20, 20, 20, 20}}));

TEST(LayoutTargets, TwelvePointTargetsOnFullHd) {
    TargetTable table{};
    ASSERT_EQ(LayoutTargets(12, 1920, 1080, table), LayoutResult::Ok);
    EXPECT_EQ(table.x[4], 20);
    EXPECT_EQ(table.y[4], 540);
    EXPECT_EQ(table.x[11], 1898);
    EXPECT_EQ(table.y[11], 1060);
}

struct RefusedCase {
    double count;
    std::int32_t width;
    std::int32_t height;
    LayoutResult result;
};

class LayoutRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(LayoutRefused, LeavesTableUntouched) {
    const RefusedCase& c = GetParam();
    TargetTable table{};
    table.x.fill(-7);
    table.y.fill(-7);
    EXPECT_EQ(LayoutTargets(c.count, c.width, c.height, table), c.result);
    for (int k = 0; k < MAX_TARGETS; ++k) {
        EXPECT_EQ(table.x[k], -7);
        EXPECT_EQ(table.y[k], -7);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, LayoutRefused,
    ::testing::Values(RefusedCase{7, 1920, 1080, LayoutResult::UnsupportedCount},
                      RefusedCase{0, 1920, 1080, LayoutResult::UnsupportedCount},
                      RefusedCase{36, 1920, 1080, LayoutResult::UnsupportedCount},
                      RefusedCase{9.5, 1920, 1080, LayoutResult::UnsupportedCount},
                      RefusedCase{-9, 1920, 1080, LayoutResult::UnsupportedCount},
                      RefusedCase{9, 39, 1080, LayoutResult::ScreenTooSmall},
                      RefusedCase{9, 1920, 39, LayoutResult::ScreenTooSmall},
                      RefusedCase{25, 0, 0, LayoutResult::ScreenTooSmall},
                      RefusedCase{4, -1920, 1080, LayoutResult::ScreenTooSmall}));

}  // namespace
}  // namespace norvessa
