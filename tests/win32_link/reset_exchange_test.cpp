// Every outcome of the reset exchange against the simulated controller behind its pipe, and
// what the exchange leaves behind: no operation outstanding, no reply taken that was not its.
#include "protocol/win32/reset_exchange.h"

#include <gtest/gtest.h>

#include "controller/win32/controller_state.h"
#include "pipe_controller.h"
#include "protocol/win32/overlapped_io.h"

namespace norvessa {
namespace {

using namespace std::chrono_literals;
using sim::Answer;
using sim::MakeReply;
using sim::ResetScript;
using test::PipeController;

struct ResetCase {
    const char* name;
    ResetScript script;
    ResetOutcome outcome;
    bool waitsForTheBound;  // no answer within RESET_REPLY_WAIT_MS
};

const ResetCase kResetCases[] = {
    {"SucceedAnswer", {.answer = Answer::Success}, ResetOutcome::Succeeded, false},
    {"FailureAnswer", {.answer = Answer::Failure}, ResetOutcome::Failed, false},
    {"NoVerdictByte",
     {.answer = Answer::Custom, .customReply = MakeReply(0xAA, 0xF1, 0x01)},
     ResetOutcome::NoMessage,
     false},
    {"WrongMagic",
     {.answer = Answer::Custom, .customReply = MakeReply(0xAB, 0xF1, 0xFF)},
     ResetOutcome::NoMessage,
     false},
    {"Silence", {.answer = Answer::Silent}, ResetOutcome::Failed, true},
    {"SucceedAfter600ms", {.answer = Answer::Success, .delay = 600ms}, ResetOutcome::Failed, true},
};

class ResetOutcomeTest : public testing::TestWithParam<ResetCase> {
  protected:
    void TearDown() override {
        g_writeDevice = BorrowedDevice{};
        g_readDevice = BorrowedDevice{};
        g_outputReportLength = 0;
    }
};

TEST_P(ResetOutcomeTest, ShowsTheMessageTheReplyCalls) {
    const ResetCase& reset = GetParam();
    PipeController controller;
    controller.peer->With([&](sim::SimulatedController& c) { c.SetResetScript(reset.script); });
    g_writeDevice.handle = controller.host.get();
    g_readDevice.handle = controller.host.get();
    g_outputReportLength = 8;

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunResetExchange(), reset.outcome);
    const long long elapsed = test::ElapsedMs(start);

    if (reset.waitsForTheBound) {
        EXPECT_GE(elapsed, static_cast<long long>(RESET_REPLY_WAIT_MS) - 50);
    }
    EXPECT_LT(elapsed, 5000);
    const auto received = controller.Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (std::vector<std::uint8_t>{0xAA, 0xF1, 0xFF, 0, 0, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Replies, ResetOutcomeTest, testing::ValuesIn(kResetCases),
                         [](const testing::TestParamInfo<ResetCase>& param) {
                             return param.param.name;
                         });

// The read that timed out was cancelled: the late answer stays in the pipe for the next
// reader instead of vanishing into a buffer the exchange no longer holds.
TEST(ResetExchangeTest, ALateAnswerIsLeftForTheNextReader) {
    PipeController controller;
    controller.peer->With([](sim::SimulatedController& c) {
        c.SetResetScript({.answer = Answer::Success, .delay = 600ms});
    });

    ASSERT_EQ(RunResetExchangeOn(controller.host.get(), controller.host.get(), 64),
              ResetOutcome::Failed);

    const std::optional<ReplyFrame> late = test::ReadHostReport(controller.host.get(), 5000);
    ASSERT_TRUE(late.has_value());
    EXPECT_EQ(ParseReply(*late), Verdict::Success);
}

TEST(ResetExchangeTest, AReportQueuedBeforeTheExchangeIsTakenAsItsAnswer) {
    PipeController controller;
    controller.peer->With(
        [](sim::SimulatedController& c) { c.SetResetScript({.answer = Answer::Success}); });
    controller.peer->QueueReport(sim::VerdictReply(VERDICT_FAILURE));
    ASSERT_TRUE(test::WaitForReportAvailable(controller.host.get(), test::PEER_TIMEOUT));

    EXPECT_EQ(RunResetExchangeOn(controller.host.get(), controller.host.get(), 64),
              ResetOutcome::Failed);
}

TEST(ResetExchangeTest, WithoutAControllerEndsAtOnceWithoutAMessage) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunResetExchangeOn(INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, 0),
              ResetOutcome::NoMessage);
    EXPECT_LT(test::ElapsedMs(start), 200);
}

TEST(ResetExchangeTest, AControllerThatWentAwayGivesNoMessage) {
    PipeController controller;
    controller.peer->Disconnect();
    EXPECT_EQ(RunResetExchangeOn(controller.host.get(), controller.host.get(), 64),
              ResetOutcome::NoMessage);
}

}  // namespace
}  // namespace norvessa
