#include "calibration/calibration_run.h"

#include <gtest/gtest.h>

#include <vector>

namespace norvessa {
namespace {

class RunTest : public ::testing::Test {
  protected:
    CalibrationRun Started(double count, std::int32_t w = 1920, std::int32_t h = 1080) {
        CalibrationRun run(count);
        EXPECT_EQ(run.Begin(w, h), LayoutResult::Ok);
        return run;
    }
    // Down, `moves` moves at (x, y), up at (upX, upY).
    static TouchOutcome Touch(CalibrationRun& run, int moves, std::int32_t x, std::int32_t y,
                              std::int32_t upX, std::int32_t upY) {
        run.OnTouchInput(TOUCH_FLAG_DOWN, x, y);
        for (int i = 0; i < moves; ++i)
            run.OnTouchInput(TOUCH_FLAG_MOVE, x, y);
        return run.OnTouchInput(TOUCH_FLAG_UP, upX, upY);
    }
};

TEST_F(RunTest, OpeningFramesAnnounceScreenCountAndFirstTarget) {
    const CalibrationRun run = Started(9);
    const auto frames = run.OpeningFrames();
    EXPECT_EQ(frames[0], BuildSetupFrame(1920, 1080, 9));
    EXPECT_EQ(frames[1], BuildPointFrame(0, 20, 20, 9));
    ASSERT_TRUE(run.CurrentCross().has_value());
    EXPECT_EQ(*run.CurrentCross(), (SamplePoint{20, 20}));
}

TEST_F(RunTest, RefusedCountNeverStarts) {
    CalibrationRun run(7);
    EXPECT_EQ(run.Begin(1920, 1080), LayoutResult::UnsupportedCount);
    EXPECT_FALSE(run.started());
    EXPECT_FALSE(run.CurrentCross().has_value());
    // A steady touch on a run that never started accepts nothing.
    EXPECT_FALSE(Touch(run, 11, 5, 5, 5, 5).accepted);
    EXPECT_EQ(run.currentTarget(), 0u);
}

struct StabilityCase {
    const char* name;
    int moves;
    std::int32_t upX;
    std::int32_t upY;
    bool accepted;
};

class Stability : public RunTest, public ::testing::WithParamInterface<StabilityCase> {};

TEST_P(Stability, LiftOffAgainstLastTenMoves) {
    const StabilityCase& c = GetParam();
    CalibrationRun run = Started(9);
    const TouchOutcome outcome = Touch(run, c.moves, 500, 500, c.upX, c.upY);
    EXPECT_TRUE(outcome.handled);
    EXPECT_EQ(outcome.accepted, c.accepted);
    EXPECT_EQ(outcome.repaint, c.accepted);
    EXPECT_EQ(run.currentTarget(), c.accepted ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Touches, Stability,
    ::testing::Values(StabilityCase{"TenMovesNeverFillTheRing", 10, 500, 500, false},
                      StabilityCase{"ElevenStillMoves", 11, 500, 500, true},
                      StabilityCase{"ExactlyFiftyPixelsRejects", 11, 530, 540, false},
                      StabilityCase{"JustInsideAccepts", 11, 530, 539, true},
                      StabilityCase{"ManyMoves", 40, 549, 500, true},
                      StabilityCase{"FarAway", 11, 600, 600, false},
                      // 65536 squared is 2^32: 32-bit arithmetic would wrap it to 0.
                      StabilityCase{"DistanceBeyond32Bits", 11, 500 + 65536, 500, false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(RunTest, TenMovesLeaveCountAtTenUntilNextDown) {
    CalibrationRun run = Started(9);
    Touch(run, 10, 500, 500, 500, 500);
    EXPECT_EQ(run.sampleCount(), 10);
    EXPECT_EQ(run.ringFilled(), 0);
    run.OnTouchInput(TOUCH_FLAG_DOWN, 0, 0);
    EXPECT_EQ(run.sampleCount(), 0);
}

TEST_F(RunTest, OnlyTheTenMostRecentMovesCount) {
    CalibrationRun run = Started(9);
    run.OnTouchInput(TOUCH_FLAG_DOWN, 0, 0);
    for (int i = 0; i < 20; ++i)
        run.OnTouchInput(TOUCH_FLAG_MOVE, 100 * i, 900 - 40 * i);
    for (int i = 0; i < 10; ++i)
        run.OnTouchInput(TOUCH_FLAG_MOVE, 300, 300);
    EXPECT_TRUE(run.OnTouchInput(TOUCH_FLAG_UP, 310, 310).accepted);
}

TEST_F(RunTest, OneWideMoveAmongTenRejects) {
    CalibrationRun run = Started(9);
    run.OnTouchInput(TOUCH_FLAG_DOWN, 0, 0);
    for (int i = 0; i < 11; ++i)
        run.OnTouchInput(TOUCH_FLAG_MOVE, i == 5 ? 560 : 500, 500);
    EXPECT_FALSE(run.OnTouchInput(TOUCH_FLAG_UP, 500, 500).accepted);
    // A rejected lift-off clears the count but keeps the marker.
    EXPECT_EQ(run.sampleCount(), 0);
    EXPECT_EQ(run.ringFilled(), RING_FILLED);
}

TEST_F(RunTest, FlagOrderDownThenMoveThenUp) {
    CalibrationRun run = Started(9);
    for (int i = 0; i < 11; ++i)
        run.OnTouchInput(TOUCH_FLAG_MOVE, 500, 500);
    // Down and up together is a touch-down: it clears the ring instead of testing it.
    const TouchOutcome both = run.OnTouchInput(TOUCH_FLAG_DOWN | TOUCH_FLAG_UP, 500, 500);
    EXPECT_TRUE(both.handled);
    EXPECT_FALSE(both.accepted);
    EXPECT_EQ(run.ringFilled(), 0);
    // Move and up together is a move.
    for (int i = 0; i < 11; ++i)
        run.OnTouchInput(TOUCH_FLAG_MOVE | TOUCH_FLAG_UP, 500, 500);
    EXPECT_EQ(run.currentTarget(), 0u);
    EXPECT_FALSE(run.OnTouchInput(0x0010, 500, 500).handled);
}

TEST_F(RunTest, SecondFingerDownClearsTheSharedRing) {
    CalibrationRun run = Started(9);
    run.OnTouchInput(TOUCH_FLAG_DOWN, 0, 0);
    for (int i = 0; i < 11; ++i)
        run.OnTouchInput(TOUCH_FLAG_MOVE, 500, 500);
    run.OnTouchInput(TOUCH_FLAG_DOWN, 900, 900);  // another finger lands
    EXPECT_FALSE(run.OnTouchInput(TOUCH_FLAG_UP, 500, 500).accepted);
}

TEST_F(RunTest, FourPointRunSendsNumbersTwoToFourThenNothing) {
    CalibrationRun run = Started(4);
    std::vector<CalibrationFrame> sent;
    const std::vector<SamplePoint> expectedCross = {{20, 20}, {1900, 20}, {20, 1060}, {1900, 1060}};
    for (std::size_t target = 0; target < 4; ++target) {
        ASSERT_TRUE(run.CurrentCross().has_value());
        EXPECT_EQ(*run.CurrentCross(), expectedCross[target]);
        const TouchOutcome outcome = Touch(run, 12, 7, 7, 7, 7);
        ASSERT_TRUE(outcome.accepted);
        if (outcome.frameToSend)
            sent.push_back(*outcome.frameToSend);
    }
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], BuildPointFrame(1, 1900, 20, 4));
    EXPECT_EQ(sent[1], BuildPointFrame(2, 20, 1060, 4));
    EXPECT_EQ(sent[2], BuildPointFrame(3, 1900, 1060, 4));
    EXPECT_TRUE(run.AllTargetsAccepted());
    EXPECT_FALSE(run.CurrentCross().has_value());
    // Further steady touches only move the index on and repaint an empty window.
    const TouchOutcome extra = Touch(run, 12, 7, 7, 7, 7);
    EXPECT_TRUE(extra.repaint);
    EXPECT_FALSE(extra.frameToSend.has_value());
    EXPECT_EQ(run.currentTarget(), 5u);
    EXPECT_FALSE(run.CurrentCross().has_value());
}

TEST_F(RunTest, RetryCountIsTruncatedCount) {
    EXPECT_EQ(Started(25).TruncatedPointCount(), 25);
    EXPECT_EQ(CalibrationRun(7).TruncatedPointCount(), 0);
}

}  // namespace
}  // namespace norvessa
