// Every outcome of the reset exchange against the simulated controller behind its pipe, and
// what the exchange leaves behind: no operation outstanding, no reply taken that was not its.
#include "protocol/win32/reset_exchange.h"

#include <gtest/gtest.h>

#include <thread>

#include "controller/win32/controller_state.h"
#include "pipe_controller.h"
#include "protocol/win32/exchange_start.h"
#include "protocol/win32/frame_io.h"
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
    {"Silence", {.answer = Answer::Silent}, ResetOutcome::NoReply, true},
    {"SucceedAfter600ms", {.answer = Answer::Success, .delay = 600ms}, ResetOutcome::NoReply, true},
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
              ResetOutcome::NoReply);

    const std::optional<ReplyFrame> late = test::ReadHostReport(controller.host.get(), 5000);
    ASSERT_TRUE(late.has_value());
    EXPECT_EQ(ParseReply(*late), Verdict::Success);
}

// Replies that wait in the pipe before an exchange starts, left over from an earlier reset
// that gave up on them or sent unasked: none is taken as this exchange's answer.
struct StaleCase {
    const char* name;
    std::optional<ResetScript> earlierReset;  // answered too late for its own exchange
    std::vector<ReplyFrame> queued;
    ResetScript script;  // how the controller answers this exchange
    ResetOutcome outcome;
};

const StaleCase kStaleCases[] = {
    {"LateSuccessThenSilence",
     ResetScript{.answer = Answer::Success, .delay = 600ms},
     {},
     {.answer = Answer::Silent},
     ResetOutcome::NoReply},
    {"LateFailureThenSuccess",
     ResetScript{.answer = Answer::Failure, .delay = 600ms},
     {},
     {.answer = Answer::Success},
     ResetOutcome::Succeeded},
    {"QueuedFailureThenSuccess",
     std::nullopt,
     {sim::VerdictReply(VERDICT_FAILURE)},
     {.answer = Answer::Success},
     ResetOutcome::Succeeded},
    {"ManyQueuedSuccessesThenFailure",
     std::nullopt,
     std::vector<ReplyFrame>(20, sim::VerdictReply(VERDICT_SUCCESS)),
     {.answer = Answer::Failure},
     ResetOutcome::Failed},
};

class StaleReplyTest : public testing::TestWithParam<StaleCase> {};

TEST_P(StaleReplyTest, IsNotTheAnswer) {
    const StaleCase& stale = GetParam();
    PipeController controller;
    const HANDLE host = controller.host.get();
    DWORD waiting = 0;
    if (stale.earlierReset) {
        controller.peer->With(
            [&](sim::SimulatedController& c) { c.SetResetScript(*stale.earlierReset); });
        ASSERT_EQ(RunResetExchangeOn(host, host, 64), ResetOutcome::NoReply);
        waiting = FRAME_SIZE;
    }
    for (const ReplyFrame& report : stale.queued) {
        controller.peer->QueueReport(report);
        waiting += FRAME_SIZE;
    }
    ASSERT_TRUE(test::WaitForReportAvailable(host, test::PEER_TIMEOUT, waiting));
    controller.peer->With([&](sim::SimulatedController& c) { c.SetResetScript(stale.script); });

    EXPECT_EQ(RunResetExchangeOn(host, host, 64), stale.outcome);
}

INSTANTIATE_TEST_SUITE_P(Replies, StaleReplyTest, testing::ValuesIn(kStaleCases),
                         [](const testing::TestParamInfo<StaleCase>& param) {
                             return param.param.name;
                         });

TEST(ResetExchangeTest, WithoutAControllerEndsAtOnceWithoutAMessage) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunResetExchangeOn(INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE, 0),
              ResetOutcome::NoMessage);
    EXPECT_LT(test::ElapsedMs(start), 200);
}

// No message either, but the caller learns that the controller must be released.
TEST(ResetExchangeTest, AControllerThatWentAwayIsReportedGone) {
    PipeController controller;
    controller.peer->Disconnect();
    EXPECT_EQ(RunResetExchangeOn(controller.host.get(), controller.host.get(), 64),
              ResetOutcome::ControllerGone);
}

BOOL WINAPI NeverCancels(HANDLE, LPOVERLAPPED) {
    return TRUE;
}

// Writes reset frames to a controller that has stopped reading until one no longer fits in the
// pipe; that one is cancelled. The number of frames the pipe holds.
std::size_t FillThePipe(HANDLE host) {
    OverlappedOperation write;
    std::size_t held = 0;
    while (held < 8 &&
           SendFrameTo(host, 64, BuildResetFrame(), write, 100) == WriteStatus::Written) {
        ++held;
    }
    return held;
}

struct StuckWriteCase {
    const char* name;
    bool letGoDuringTheWait;  // the controller reads again while the next exchange waits
    ExchangeStart start;
};

class StuckWriteTest : public testing::TestWithParam<StuckWriteCase> {};

// A reset whose write the system holds past its cancellation: it fails, and the exchange after
// it neither starts while that write may still reach the controller nor ever takes the
// controller's answer to it (AA F1 FF, a calibration's success) as its own.
TEST_P(StuckWriteTest, TheNextExchangeNeverTakesItsAnswer) {
    PipeController controller(FRAME_SIZE);
    const HANDLE host = controller.host.get();
    // Before the pause has settled, the peer's waiting read could take a frame and its answer
    // be discarded by the reset below: one answer fewer than the wait further down counts.
    ASSERT_TRUE(controller.peer->PauseReading(true));
    const std::size_t held = FillThePipe(host);
    const unsigned leakedBefore = OverlappedOperation::leakedCount();
    ASSERT_EQ(RunResetExchangeOn(host, host, 64, &NeverCancels), ResetOutcome::NoReply);
    ASSERT_EQ(OverlappedOperation::leakedCount(), leakedBefore + 1) << "the write was not stuck";

    std::thread reader;
    if (GetParam().letGoDuringTheWait) {
        reader = std::thread([&] {
            Sleep(100);
            controller.peer->PauseReading(false);
        });
    }
    EXPECT_EQ(StartExchange(host, host), GetParam().start);
    if (reader.joinable()) {
        reader.join();
    }
    controller.peer->PauseReading(false);
    ASSERT_TRUE(controller.peer->WaitForReceived(held + 1, test::PEER_TIMEOUT));
    if (GetParam().start == ExchangeStart::NotResponding) {
        // The answers come in after the refusal; the exchange after that drops them.
        ASSERT_TRUE(test::WaitForReportAvailable(host, test::PEER_TIMEOUT,
                                                 static_cast<DWORD>((held + 1) * FRAME_SIZE)));
        EXPECT_EQ(StartExchange(host, host), ExchangeStart::Ready);
    }
    EXPECT_EQ(test::ReadHostReport(host, 300), std::nullopt)
        << "an answer to the stuck write is left for the exchange to read";
}

INSTANTIATE_TEST_SUITE_P(
    Writes, StuckWriteTest,
    testing::Values(StuckWriteCase{"StillStuck", false, ExchangeStart::NotResponding},
                    StuckWriteCase{"LetGoDuringTheWait", true, ExchangeStart::Ready}),
    [](const testing::TestParamInfo<StuckWriteCase>& param) { return param.param.name; });

}  // namespace
}  // namespace norvessa
