#include "protocol/linux/reset_exchange.h"

#include <gtest/gtest.h>

#include <chrono>

#include "link_test_support.h"
#include "seqpacket_peer.h"

namespace norvessa {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sim::Answer;
using sim::MakeReply;
using sim::ResetScript;
using sim::SeqpacketPeer;
using sim::SimulatedController;

struct ResetCase {
    const char* name;
    ResetScript script;
    ResetOutcome expected;
    // Bounds on how long the exchange took.
    std::chrono::milliseconds atLeast;
    std::chrono::milliseconds below;
    friend void PrintTo(const ResetCase& c, std::ostream* os) { *os << c.name; }
};

// Each answer, alone on the channel and among a digitizer's touch reports.
class ResetAnswer : public ::testing::TestWithParam<std::tuple<ResetCase, bool>> {};

TEST_P(ResetAnswer, GivesItsOutcome) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    const auto& [c, touchStream] = GetParam();
    peer.With([&](SimulatedController& controller) { controller.SetResetScript(c.script); });
    if (touchStream) {
        peer.StartTouchStream();
        ASSERT_TRUE(test::WaitForReadable(host.get(), 2s));
    }

    const auto started = Clock::now();
    EXPECT_EQ(RunResetExchange({host.get(), 64}), c.expected);
    const auto took = Clock::now() - started;
    EXPECT_GE(took, c.atLeast);
    EXPECT_LT(took, c.below);
    ASSERT_TRUE(peer.WaitForReceived(1, 2s));
    const auto frame = BuildResetFrame();
    EXPECT_EQ(peer.With([](SimulatedController& controller) { return controller.received(); }),
              (std::vector<std::vector<std::uint8_t>>{{frame.begin(), frame.end()}}));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ResetAnswer,
    ::testing::Combine(
        ::testing::Values(
            ResetCase{
                "Succeeded", {.answer = Answer::Success}, ResetOutcome::Succeeded, 0ms, 2000ms},
            ResetCase{"Failed", {.answer = Answer::Failure}, ResetOutcome::Failed, 0ms, 2000ms},
            ResetCase{"OtherVerdictByte",
                      {.answer = Answer::Custom, .customReply = MakeReply(0xAA, 0xF1, 0x01)},
                      ResetOutcome::NoMessage,
                      0ms,
                      2000ms},
            ResetCase{"OtherMagic",
                      {.answer = Answer::Custom, .customReply = MakeReply(0xAA, 0xF0, 0xFF)},
                      ResetOutcome::NoMessage,
                      0ms,
                      2000ms},
            // Byte 0 is the report ID: 0xAB is another collection's report, no answer at all.
            ResetCase{"OtherReportId",
                      {.answer = Answer::Custom, .customReply = MakeReply(0xAB, 0xF1, 0xFF)},
                      ResetOutcome::NoReply,
                      450ms,
                      2000ms},
            ResetCase{"Silence", {.answer = Answer::Silent}, ResetOutcome::NoReply, 450ms, 2000ms},
            ResetCase{"AnswerAfter600ms",
                      {.answer = Answer::Success, .delay = 600ms},
                      ResetOutcome::NoReply,
                      450ms,
                      2000ms}),
        ::testing::Bool()),
    [](const auto& p) {
        return std::string(std::get<0>(p.param).name) +
               (std::get<1>(p.param) ? "AmongTouchReports" : "");
    });

TEST(ResetExchange, WithoutAControllerEndsAtOnceWithoutAMessage) {
    const auto started = Clock::now();
    EXPECT_EQ(RunResetExchange({}), ResetOutcome::NoMessage);
    EXPECT_EQ(RunResetExchange({-1, 64}), ResetOutcome::NoMessage);
    EXPECT_LT(Clock::now() - started, 100ms);
}

TEST(ResetExchange, ShortOutputReportCarriesTheLeadingBytes) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    EXPECT_EQ(RunResetExchange({host.get(), 8}), ResetOutcome::Succeeded);
    EXPECT_EQ(peer.With([](SimulatedController& c) { return c.received().at(0); }),
              (std::vector<std::uint8_t>{0xAA, 0xF1, 0xFF, 0, 0, 0, 0, 0}));
}

// A report queued before the exchange is stale: it answered nothing this reset asked.
TEST(ResetExchange, AReportQueuedEarlierIsNoAnswer) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    peer.With([](SimulatedController& c) {
        c.QueueReport(sim::VerdictReply(VERDICT_FAILURE), sim::Clock::now());
    });
    peer.PauseReading(false);  // wakes the peer's loop to send it
    ASSERT_TRUE(test::WaitForReadable(host.get(), 2s));
    EXPECT_EQ(RunResetExchange({host.get(), 64}), ResetOutcome::Succeeded);
}

TEST(ResetExchange, AReplyTooLateForTheLastResetDoesNotAnswerTheNext) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    peer.With([](SimulatedController& c) {
        c.SetResetScript({.answer = Answer::Success, .delay = 600ms});
    });
    EXPECT_EQ(RunResetExchange({host.get(), 64}), ResetOutcome::NoReply);
    // The controller falls silent; the first reset's late reply is queued by now.
    peer.With([](SimulatedController& c) { c.SetResetScript({.answer = Answer::Silent}); });
    ASSERT_TRUE(test::WaitForReadable(host.get(), 2s));
    EXPECT_EQ(RunResetExchange({host.get(), 64}), ResetOutcome::NoReply);
}

TEST(ResetExchange, ControllerGoneIsReportedForItsRelease) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    peer.Disconnect();
    ASSERT_TRUE(test::WaitForHangUp(host.get(), 2s));
    const auto started = Clock::now();
    EXPECT_EQ(RunResetExchange({host.get(), 64}), ResetOutcome::ControllerGone);
    EXPECT_LT(Clock::now() - started, 400ms);
}

}  // namespace
}  // namespace norvessa
