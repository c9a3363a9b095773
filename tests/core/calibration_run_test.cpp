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

// Timed sampling: a contact is sampled by its events and, while it is down, again every
// interval at its last position, by the tick or by catching up when an event comes late.
namespace timed {

enum class Kind { Down, Move, Up, Tick };
struct Step {
    Kind kind;
    std::int64_t timeMs;
    std::int32_t x = 500;
    std::int32_t y = 500;
};

struct TimedCase {
    const char* name;
    std::vector<Step> steps;
    bool accepted;
    LiftOffRefusal refusal;
};

// Ticks every interval from `from` to `to` inclusive, as the platform's timer gives them.
std::vector<Step> Ticks(std::int64_t from, std::int64_t to) {
    std::vector<Step> ticks;
    for (std::int64_t t = from; t <= to; t += SAMPLE_INTERVAL_MS)
        ticks.push_back({Kind::Tick, t});
    return ticks;
}

std::vector<Step> Join(std::initializer_list<std::vector<Step>> parts) {
    std::vector<Step> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A finger sliding 6 pixels every interval up to the lift-off: 54 pixels in its last 100 ms.
std::vector<Step> Slide() {
    std::vector<Step> steps{{Kind::Down, 0}};
    for (std::int32_t i = 1; i <= 15; ++i)
        steps.push_back({Kind::Move, i * SAMPLE_INTERVAL_MS, 500 + 6 * i, 500});
    steps.push_back({Kind::Up, 150, 590, 500});
    return steps;
}

TouchOutcome Play(CalibrationRun& run, const std::vector<Step>& steps) {
    TouchOutcome last;
    for (const Step& step : steps) {
        switch (step.kind) {
            case Kind::Down:
                last = run.OnTimedTouchInput(TOUCH_FLAG_DOWN, step.x, step.y, step.timeMs);
                break;
            case Kind::Move:
                last = run.OnTimedTouchInput(TOUCH_FLAG_MOVE, step.x, step.y, step.timeMs);
                break;
            case Kind::Up:
                last = run.OnTimedTouchInput(TOUCH_FLAG_UP, step.x, step.y, step.timeMs);
                break;
            case Kind::Tick:
                run.SampleHeldContact(step.timeMs);
                break;
        }
    }
    return last;
}

class TimedSampling : public RunTest, public ::testing::WithParamInterface<TimedCase> {};

TEST_P(TimedSampling, AcceptanceDoesNotDependOnEventCounts) {
    const TimedCase& c = GetParam();
    CalibrationRun run = Started(9);
    const TouchOutcome outcome = Play(run, c.steps);
    EXPECT_EQ(outcome.accepted, c.accepted);
    EXPECT_EQ(outcome.refusal, c.refusal);
    EXPECT_EQ(run.lastRefusal(), c.refusal);
    EXPECT_EQ(run.currentTarget(), c.accepted ? 1u : 0u);
    EXPECT_FALSE(run.contactDown());
}

INSTANTIATE_TEST_SUITE_P(
    Contacts, TimedSampling,
    ::testing::Values(
        TimedCase{"StillContactWithTicks",
                  Join({{{Kind::Down, 0}}, Ticks(10, 150), {{Kind::Up, 150}}}), true,
                  LiftOffRefusal::None},
        // Down and up only, handled together after the UI thread was held up: no tick ran.
        TimedCase{"StillContactWithoutAnyMoveOrTick",
                  {{Kind::Down, 0}, {Kind::Up, 150}},
                  true,
                  LiftOffRefusal::None},
        TimedCase{"TapOfTwentyMilliseconds",
                  Join({{{Kind::Down, 0}}, Ticks(10, 20), {{Kind::Up, 20}}}), false,
                  LiftOffRefusal::TooShort},
        // Ten re-samples do not fill the ring; the eleventh does.
        TimedCase{"TenIntervalsAreTooShort",
                  {{Kind::Down, 0}, {Kind::Up, 110}},
                  false,
                  LiftOffRefusal::TooShort},
        TimedCase{"ElevenIntervalsAreEnough",
                  {{Kind::Down, 0}, {Kind::Up, 111}},
                  true,
                  LiftOffRefusal::None},
        TimedCase{"DriftBeyondFiftyPixels", Slide(), false, LiftOffRefusal::TooMuchMovement},
        // Thirty moves compressed into the last one, with press and release in one burst.
        TimedCase{"CompressedBurstOfAHeldContact",
                  {{Kind::Down, 0}, {Kind::Move, 300, 503, 501}, {Kind::Up, 300, 503, 501}},
                  true,
                  LiftOffRefusal::None},
        // Moves faster than the interval are samples of their own, nothing more.
        TimedCase{"FastMovesCountAsSamples",
                  Join({{{Kind::Down, 0}},
                        {{Kind::Move, 1, 501},
                         {Kind::Move, 2, 500},
                         {Kind::Move, 3, 501},
                         {Kind::Move, 4, 500},
                         {Kind::Move, 5, 501},
                         {Kind::Move, 6, 500},
                         {Kind::Move, 7, 501},
                         {Kind::Move, 8, 500},
                         {Kind::Move, 9, 501},
                         {Kind::Move, 9, 500},
                         {Kind::Move, 9, 501}},
                        {{Kind::Up, 9}}}),
                  true, LiftOffRefusal::None}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(RunTest, HoldProgressFillsWithTheRingAndDropsWithMovement) {
    CalibrationRun run = Started(9);
    EXPECT_EQ(run.HoldProgress(), 0);
    run.OnTimedTouchInput(TOUCH_FLAG_DOWN, 500, 500, 1000);
    EXPECT_TRUE(run.contactDown());
    std::vector<int> progress;
    for (std::int64_t t = 1010; t <= 1130; t += SAMPLE_INTERVAL_MS) {
        run.SampleHeldContact(t);
        progress.push_back(run.HoldProgress());
    }
    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10}));
    // A tick before the next interval is due samples nothing.
    EXPECT_FALSE(run.SampleHeldContact(1135));
    // Moving away leaves only the new position steady; the cue starts again from there.
    run.OnTimedTouchInput(TOUCH_FLAG_MOVE, 600, 500, 1136);
    EXPECT_EQ(run.HoldProgress(), 1);
    EXPECT_TRUE(run.SampleHeldContact(1146));
    EXPECT_EQ(run.HoldProgress(), 2);
    const TouchOutcome refused = run.OnTimedTouchInput(TOUCH_FLAG_UP, 600, 500, 1150);
    EXPECT_EQ(refused.refusal, LiftOffRefusal::TooMuchMovement);
    EXPECT_EQ(run.HoldProgress(), 0);
    // No contact: the tick samples nothing, and the next touch-down clears the hint.
    EXPECT_FALSE(run.SampleHeldContact(5000));
    run.OnTimedTouchInput(TOUCH_FLAG_DOWN, 500, 500, 6000);
    EXPECT_EQ(run.lastRefusal(), LiftOffRefusal::None);
    // A cancelled contact ends without a test, however long it was held.
    run.SampleHeldContact(6500);
    run.CancelContact();
    EXPECT_FALSE(run.contactDown());
    EXPECT_FALSE(run.SampleHeldContact(7000));
    EXPECT_EQ(run.currentTarget(), 0u);
}

}  // namespace timed

}  // namespace
}  // namespace norvessa
