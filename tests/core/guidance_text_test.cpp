#include "calibration/guidance_text.h"

#include <gtest/gtest.h>

#include "resource.h"

namespace norvessa {
namespace {

void SteadyTouch(CalibrationRun& run) {
    run.OnTouchInput(TOUCH_FLAG_DOWN, 9, 9);
    for (int i = 0; i < SAMPLE_RING_SIZE + 1; ++i)
        run.OnTouchInput(TOUCH_FLAG_MOVE, 9, 9);
    run.OnTouchInput(TOUCH_FLAG_UP, 9, 9);
}

TEST(GuidanceText, FollowsTheRunFromFirstTargetToTheWait) {
    CalibrationRun run(4);
    ASSERT_EQ(run.Begin(1920, 1080), LayoutResult::Ok);
    GuidanceText text = GuidanceFor(run, std::nullopt);
    EXPECT_EQ(text.heading, ResourceText{IDS_GUIDE_INSTRUCTION});
    EXPECT_EQ(text.progress, (ResourceText{IDS_GUIDE_PROGRESS, 1, 4}));
    EXPECT_FALSE(text.hint || text.countdown);

    run.OnTouchInput(TOUCH_FLAG_DOWN, 9, 9);
    run.OnTouchInput(TOUCH_FLAG_UP, 9, 9);
    EXPECT_EQ(GuidanceFor(run, 7).hint, ResourceText{IDS_HINT_HOLD_LONGER});
    EXPECT_EQ(GuidanceFor(run, 7).countdown, (ResourceText{IDS_GUIDE_COUNTDOWN, 7}));
    run.OnTouchInput(TOUCH_FLAG_DOWN, 9, 9);
    for (int i = 0; i < SAMPLE_RING_SIZE + 1; ++i)
        run.OnTouchInput(TOUCH_FLAG_MOVE, 9 + 60 * (i % 2), 9);
    run.OnTouchInput(TOUCH_FLAG_UP, 9, 9);
    EXPECT_EQ(GuidanceFor(run, std::nullopt).hint, ResourceText{IDS_HINT_TOO_MUCH_MOVEMENT});
    run.OnTouchInput(TOUCH_FLAG_DOWN, 9, 9);  // the next touch clears the hint
    EXPECT_FALSE(GuidanceFor(run, std::nullopt).hint);

    for (int target = 0; target < 3; ++target)
        SteadyTouch(run);
    EXPECT_EQ(GuidanceFor(run, std::nullopt).progress, (ResourceText{IDS_GUIDE_PROGRESS, 4, 4}));
    SteadyTouch(run);
    text = GuidanceFor(run, std::nullopt);
    EXPECT_EQ(text.heading, ResourceText{IDS_WAITING_FOR_CONTROLLER});
    EXPECT_FALSE(text.progress);
}

TEST(GuidanceText, PlaceholdersTakeTheirValuesOnce) {
    EXPECT_EQ(FillPlaceholders<std::string>("Target %1 of %2", "3", "9"), "Target 3 of 9");
    EXPECT_EQ(FillPlaceholders<std::string>("%2/%1 %3 100%", "a", "b"), "b/a %3 100%");
    EXPECT_EQ(FillPlaceholders<std::wstring>(L"on %1:", L"%2", L"x"), L"on %2:");
}

}  // namespace
}  // namespace norvessa
