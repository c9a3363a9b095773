#include "simulated_controller.h"

#include <gtest/gtest.h>

#include "calibration/calibration_run.h"

namespace norvessa::sim {
namespace {

using namespace std::chrono_literals;

class SimTest : public ::testing::Test {
  protected:
    Clock::time_point t0 = Clock::now();
    SimulatedController sim;

    void Write(const CalibrationFrame& frame, std::size_t length = FRAME_SIZE,
               Milliseconds at = 0ms) {
        sim.OnOutputReport(std::span(frame.data(), length), t0 + at);
    }
    // Sends the run's frames as the tool would, touching and lifting on every target.
    void PlayRun(int count, Milliseconds at = 0ms) {
        CalibrationRun run(count);
        ASSERT_EQ(run.Begin(1920, 1080), LayoutResult::Ok);
        for (const auto& frame : run.OpeningFrames())
            Write(frame, FRAME_SIZE, at);
        while (!run.AllTargetsAccepted()) {
            sim.FingerDown(t0 + at);
            run.OnTouchInput(TOUCH_FLAG_DOWN, 1, 1);
            for (int i = 0; i < 11; ++i)
                run.OnTouchInput(TOUCH_FLAG_MOVE, 1, 1);
            const TouchOutcome outcome = run.OnTouchInput(TOUCH_FLAG_UP, 1, 1);
            if (outcome.frameToSend)
                Write(*outcome.frameToSend, FRAME_SIZE, at);
            sim.FingerUp(t0 + at);
        }
    }
    std::vector<ReplyFrame> Drain(Milliseconds at) {
        std::vector<ReplyFrame> out;
        while (auto report = sim.TakeDueReport(t0 + at))
            out.push_back(*report);
        return out;
    }
};

TEST_F(SimTest, VerdictFollowsTheLiftOffOnTheLastTarget) {
    CalibrationRun run(4);
    ASSERT_EQ(run.Begin(800, 600), LayoutResult::Ok);
    for (const auto& frame : run.OpeningFrames())
        Write(frame);
    for (int n = 1; n < 4; ++n)
        Write(BuildPointFrame(static_cast<std::uint32_t>(n), 1, 1, 4));
    EXPECT_TRUE(Drain(0ms).empty());  // nothing before the finger leaves the last target
    sim.FingerUp(t0);                 // a lift without a touch on the last target
    EXPECT_TRUE(Drain(0ms).empty());
    sim.FingerDown(t0);
    sim.FingerUp(t0);
    const auto replies = Drain(0ms);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(ParseReply(replies[0]), Verdict::Success);
    EXPECT_TRUE(sim.violations().empty());
    EXPECT_EQ(sim.progress().screenWidth, 800);
    EXPECT_EQ(sim.progress().pointCount, 4);
}

struct ScriptCase {
    const char* name;
    Answer answer;
    std::size_t replies;
    Verdict last;
};

class CalibrationAnswers : public SimTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(CalibrationAnswers, DelayedVerdictAfterNoiseReports) {
    const ScriptCase& c = GetParam();
    sim.SetCalibrationScript(CalibrationScript{
        .answer = c.answer,
        .customReply = MakeReply(0xAA, 0xF1, 0x05),
        .delay = 600ms,
        .reportsBeforeVerdict = {MakeReply(0xAA, 0xF1, 0x01), MakeReply(0xAB, 0xF1, 0xFF)}});
    PlayRun(9);
    EXPECT_TRUE(Drain(599ms).empty());
    const auto replies = Drain(600ms);
    ASSERT_EQ(replies.size(), c.replies);
    EXPECT_EQ(ParseReply(replies[0]), Verdict::None);
    EXPECT_EQ(ParseReply(replies.back()), c.last);
    EXPECT_TRUE(sim.violations().empty());
    EXPECT_EQ(sim.received().size(), 10u);  // set-up frame and points 1..9
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, CalibrationAnswers,
    ::testing::Values(ScriptCase{"Success", Answer::Success, 3, Verdict::Success},
                      ScriptCase{"Failure", Answer::Failure, 3, Verdict::Failure},
                      ScriptCase{"Custom", Answer::Custom, 3, Verdict::None},
                      ScriptCase{"Silent", Answer::Silent, 2, Verdict::None}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SimTest, EarlyVerdictFollowsTheChosenPointFrame) {
    sim.SetCalibrationScript(
        CalibrationScript{.answer = Answer::Failure, .earlyVerdictAtPoint = 3});
    Write(BuildSetupFrame(1920, 1080, 9));
    Write(BuildPointFrame(0, 20, 20, 9));
    Write(BuildPointFrame(1, 960, 20, 9));
    EXPECT_TRUE(Drain(0ms).empty());
    Write(BuildPointFrame(2, 1900, 20, 9));
    const auto replies = Drain(0ms);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(ParseReply(replies[0]), Verdict::Failure);
}

TEST_F(SimTest, RetryStartsAFreshRunWithItsOwnVerdict) {
    sim.SetCalibrationScript(CalibrationScript{.answer = Answer::Failure});
    PlayRun(12);
    EXPECT_EQ(ParseReply(Drain(0ms).at(0)), Verdict::Failure);
    sim.SetCalibrationScript(CalibrationScript{.answer = Answer::Success});
    PlayRun(12, 10ms);
    EXPECT_EQ(ParseReply(Drain(10ms).at(0)), Verdict::Success);
    EXPECT_EQ(sim.progress().calibrationsStarted, 2);
    EXPECT_TRUE(sim.violations().empty());
}

struct ResetCase {
    const char* name;
    ResetScript script;
    std::size_t replies;
    Verdict verdict;
};

class ResetAnswers : public SimTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ResetAnswers, AnswerAtTheScriptedTime) {
    const ResetCase& c = GetParam();
    sim.SetResetScript(c.script);
    Write(BuildResetFrame(), 8);
    EXPECT_EQ(sim.received().at(0).size(), 8u);
    if (c.script.delay > 0ms) {
        EXPECT_TRUE(Drain(c.script.delay - 1ms).empty());
    }
    const auto replies = Drain(c.script.delay);
    ASSERT_EQ(replies.size(), c.replies);
    if (c.replies > 0) {
        EXPECT_EQ(ParseReply(replies[0]), c.verdict);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ResetAnswers,
    ::testing::Values(
        ResetCase{"Success", {Answer::Success, {}, 0ms}, 1, Verdict::Success},
        ResetCase{"Failure", {Answer::Failure, {}, 100ms}, 1, Verdict::Failure},
        ResetCase{
            "NoVerdict", {Answer::Custom, MakeReply(0xAA, 0xF1, 0x01), 0ms}, 1, Verdict::None},
        ResetCase{
            "WrongMagic", {Answer::Custom, MakeReply(0xAB, 0xF1, 0xFF), 0ms}, 1, Verdict::None},
        ResetCase{"Late", {Answer::Success, {}, 600ms}, 1, Verdict::Success},
        ResetCase{"Silent", {Answer::Silent, {}, 0ms}, 0, Verdict::None}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(SimTest, StaleReportIsReadBeforeTheResetAnswer) {
    sim.QueueReport(VerdictReply(VERDICT_FAILURE), t0);
    Write(BuildResetFrame(), FRAME_SIZE, 5ms);
    const auto replies = Drain(5ms);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(ParseReply(replies[0]), Verdict::Failure);
    EXPECT_EQ(ParseReply(replies[1]), Verdict::Success);
}

TEST_F(SimTest, TouchStreamInterleavesWithTheReplies) {
    sim.StartTouchStream(TouchStream{.reportId = 0x01, .interval = 10ms, .burst = 70}, t0);
    Write(BuildResetFrame(), FRAME_SIZE, 5ms);
    const auto replies = Drain(35ms);
    // The burst, the reset's reply, then one report per interval.
    ASSERT_EQ(replies.size(), 70u + 1u + 3u);
    for (std::size_t i = 0; i < replies.size(); ++i) {
        EXPECT_EQ(replies[i][0], i == 70 ? CONTROLLER_REPORT_ID : 0x01) << i;
    }
    EXPECT_EQ(ParseReply(replies[70]), Verdict::Success);
    EXPECT_EQ(replies[73][3], 72);  // sequence numbers run on

    sim.FingerDown(t0 + 36ms);  // a finger landing: another burst
    EXPECT_EQ(Drain(36ms).size(), 70u);
    sim.StopTouchStream();
    EXPECT_TRUE(Drain(1000ms).empty());
    EXPECT_FALSE(sim.NextDueTime().has_value());
    EXPECT_EQ(sim.touchReportsMade(), 143u);
}

TEST_F(SimTest, OutOfOrderFramesAreRecordedAsViolations) {
    Write(BuildPointFrame(0, 1, 1, 4));  // before any set-up
    Write(BuildSetupFrame(100, 100, 4));
    Write(BuildPointFrame(1, 1, 1, 4));  // number 2 before number 1
    const std::array<std::uint8_t, 2> junk = {0x01, 0x02};
    sim.OnOutputReport(junk, t0);
    EXPECT_EQ(sim.violations().size(), 3u);
    EXPECT_EQ(sim.received().size(), 4u);
}

}  // namespace
}  // namespace norvessa::sim
