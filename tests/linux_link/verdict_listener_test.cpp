#include "protocol/linux/verdict_listener.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "calibration/calibration_run.h"
#include "link_test_support.h"
#include "protocol/linux/frame_io.h"
#include "protocol/linux/reset_exchange.h"
#include "seqpacket_peer.h"

namespace norvessa {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sim::Answer;
using sim::CalibrationScript;
using sim::MakeReply;
using sim::SeqpacketPeer;
using sim::SimulatedController;
using test::ListenerEvents;

class ListenerTest : public ::testing::Test {
  protected:
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    ListenerEvents events;
    VerdictListener listener;

    void QueueNow(const ReplyFrame& report) {
        peer.With([&](SimulatedController& c) { c.QueueReport(report, sim::Clock::now()); });
        peer.PauseReading(false);  // wakes the peer's loop to send it
    }
};

TEST_F(ListenerTest, SkipsReportsWithoutAVerdictAndDeliversTheVerdictOnce) {
    ASSERT_TRUE(listener.Start(host.get(), events.Callback()));
    QueueNow(MakeReply(0xAA, 0xF1, 0x05));
    QueueNow(MakeReply(0xAB, 0xF1, 0xFF));
    QueueNow(MakeReply(0xAA, 0xF0, 0x00));
    QueueNow(sim::VerdictReply(VERDICT_FAILURE));
    QueueNow(sim::VerdictReply(VERDICT_SUCCESS));
    EXPECT_EQ(events.WaitForFirst(2s), ListenerEvent::Failure);
    listener.Stop();
    EXPECT_EQ(events.All(), std::vector<ListenerEvent>{ListenerEvent::Failure});
}

TEST(Listener, AShortReportNeverCompletesAVerdictFromAnEarlierReport) {
    // Short reports come straight from a bare socket pair: the peer sends whole 64-byte ones.
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
    UniqueFd host(fds[0]);
    UniqueFd device(fds[1]);
    ListenerEvents events;
    VerdictListener listener;
    ASSERT_TRUE(listener.Start(host.get(), events.Callback()));

    // No verdict, but its byte 2 would be one behind the right magic.
    const std::array<std::uint8_t, 3> wrongMagic{0xAB, 0xF1, 0xFF};
    ASSERT_EQ(::send(device.get(), wrongMagic.data(), wrongMagic.size(), 0), 3);
    // Only the magic: byte 2 is what the listener pre-set, not what the last report left.
    const std::array<std::uint8_t, 2> magicOnly{0xAA, 0xF1};
    ASSERT_EQ(::send(device.get(), magicOnly.data(), magicOnly.size(), 0), 2);
    EXPECT_FALSE(events.WaitForFirst(300ms).has_value());

    const std::array<std::uint8_t, 3> failure{0xAA, 0xF1, 0x00};
    ASSERT_EQ(::send(device.get(), failure.data(), failure.size(), 0), 3);
    EXPECT_EQ(events.WaitForFirst(2s), ListenerEvent::Failure);
}

TEST_F(ListenerTest, StopWhileWaitingIsPromptAndLeavesLaterReportsToTheReset) {
    ASSERT_TRUE(listener.Start(host.get(), events.Callback()));
    std::this_thread::sleep_for(100ms);  // let it block in its wait
    const auto started = Clock::now();
    listener.Stop();
    EXPECT_LT(Clock::now() - started, 1s);
    EXPECT_FALSE(listener.started());
    listener.Stop();  // a second stop does nothing

    EXPECT_EQ(RunResetExchange({host.get(), 64}), ResetOutcome::Succeeded);
    EXPECT_TRUE(events.All().empty());
}

TEST_F(ListenerTest, EndsWithItsOwner) {
    {
        VerdictListener scoped;
        ASSERT_TRUE(scoped.Start(host.get(), events.Callback()));
    }
    EXPECT_EQ(RunResetExchange({host.get(), 64}), ResetOutcome::Succeeded);
    EXPECT_TRUE(events.All().empty());
}

TEST_F(ListenerTest, ReportsTheControllerGone) {
    ASSERT_TRUE(listener.Start(host.get(), events.Callback()));
    peer.Disconnect();
    EXPECT_EQ(events.WaitForFirst(2s), ListenerEvent::ControllerGone);
    listener.Stop();
    EXPECT_EQ(events.All().size(), 1u);
}

// The callback may stop its own listener, and on a controller that is gone already it runs at
// once, before Start has returned. A Stop from another thread may race with Start too.
TEST(Listener, StartAndStopAreSafeFromTheCallbackAndFromAnyThread) {
    for (int round = 0; round < 20; ++round) {
        int pair[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
        UniqueFd host(pair[0]);
        ::close(pair[1]);  // the controller is gone before the listener starts
        VerdictListener listener;
        std::promise<bool> stoppedFromCallback;
        ASSERT_TRUE(listener.Start(host.get(), [&](ListenerEvent event) {
            listener.Stop();
            // Only asked to end: its owner joins it.
            stoppedFromCallback.set_value(event == ListenerEvent::ControllerGone &&
                                          listener.started());
        }));
        auto delivered = stoppedFromCallback.get_future();
        ASSERT_EQ(delivered.wait_for(2s), std::future_status::ready);
        EXPECT_TRUE(delivered.get());
        std::thread other([&] { listener.Stop(); });
        listener.Stop();
        other.join();
        EXPECT_FALSE(listener.started());

        std::thread racing([&] { listener.Stop(); });
        const bool started = listener.Start(host.get(), {});
        racing.join();
        listener.Stop();
        EXPECT_FALSE(listener.started()) << "started " << started;
    }
}

TEST_F(ListenerTest, StartsOnlyOnceAndOnlyWithAnFd) {
    EXPECT_FALSE(listener.Start(-1, events.Callback()));
    ASSERT_TRUE(listener.Start(host.get(), events.Callback()));
    EXPECT_FALSE(listener.Start(host.get(), events.Callback()));
    listener.Stop();
    // Stopped, it may serve the next calibration on the same fd.
    ASSERT_TRUE(listener.Start(host.get(), events.Callback()));
    QueueNow(sim::VerdictReply(VERDICT_SUCCESS));
    EXPECT_EQ(events.WaitForFirst(2s), ListenerEvent::Success);
}

TEST_F(ListenerTest, ACallbackThatThrowsEndsOnlyTheListener) {
    ASSERT_TRUE(listener.Start(host.get(), [record = events.Callback()](ListenerEvent event) {
        record(event);
        throw std::runtime_error("callback fault");
    }));
    QueueNow(sim::VerdictReply(VERDICT_FAILURE));
    EXPECT_EQ(events.WaitForFirst(2s), ListenerEvent::Failure);
    listener.Stop();
    // The failure verdict was taken by the listener, not left for the reset.
    EXPECT_EQ(RunResetExchange({host.get(), 64}), ResetOutcome::Succeeded);
}

// A listener that cannot end (its callback blocks) must not hold its owner for ever: it is left
// behind after the bound, and ends by itself once free.
TEST_F(ListenerTest, AListenerThatCannotEndIsLeftBehindAfterTheBound) {
    struct Latch {
        std::mutex mutex;
        std::condition_variable changed;
        bool entered = false;
        bool released = false;
        bool left = false;
    };
    auto latch = std::make_shared<Latch>();
    ASSERT_TRUE(listener.Start(host.get(), [latch](ListenerEvent) {
        std::unique_lock lock(latch->mutex);
        latch->entered = true;
        latch->changed.notify_all();
        latch->changed.wait(lock, [&] { return latch->released; });
        latch->left = true;
        latch->changed.notify_all();
    }));
    QueueNow(sim::VerdictReply(VERDICT_SUCCESS));
    {
        std::unique_lock lock(latch->mutex);
        ASSERT_TRUE(latch->changed.wait_for(lock, 2s, [&] { return latch->entered; }));
    }
    const auto started = Clock::now();
    listener.Stop();
    const auto took = Clock::now() - started;
    EXPECT_GE(took, THREAD_END_WAIT - 100ms);
    EXPECT_LT(took, THREAD_END_WAIT + 2s);
    EXPECT_FALSE(listener.started());

    std::unique_lock lock(latch->mutex);
    latch->released = true;
    latch->changed.notify_all();
    EXPECT_TRUE(latch->changed.wait_for(lock, 2s, [&] { return latch->left; }));
}

// A whole calibration run as the calibration window drives it: frames through SendFrame, the
// touches through CalibrationRun, the verdict back through the listener.
struct RunCase {
    const char* name;
    Answer answer;
    std::uint32_t outputLength;
    std::vector<ReplyFrame> noise;
    ListenerEvent expected;
    friend void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }
};

// Each run, alone on the channel and among a digitizer's touch reports.
class WholeCalibration : public ListenerTest,
                         public ::testing::WithParamInterface<std::tuple<RunCase, bool>> {
  protected:
    // Holds still on the target and lifts: eleven moves, then the lift-off.
    TouchOutcome Touch(CalibrationRun& run, SamplePoint at) {
        run.OnTouchInput(TOUCH_FLAG_DOWN, at.x, at.y);
        for (int move = 0; move < 11; ++move)
            run.OnTouchInput(TOUCH_FLAG_MOVE, at.x + move % 3, at.y);
        return run.OnTouchInput(TOUCH_FLAG_UP, at.x, at.y);
    }
};

TEST_P(WholeCalibration, FramesReachTheControllerAndTheVerdictComesBack) {
    const auto& [c, touchStream] = GetParam();
    if (touchStream) {
        peer.StartTouchStream();
    }
    peer.With([&](SimulatedController& controller) {
        controller.SetCalibrationScript(
            CalibrationScript{.answer = c.answer, .reportsBeforeVerdict = c.noise});
    });
    const ControllerChannel channel{host.get(), c.outputLength};
    CalibrationRun run(9.0);
    ASSERT_EQ(run.Begin(1920, 1080), LayoutResult::Ok);

    std::vector<CalibrationFrame> sent;
    ASSERT_NE(DrainInput(host.get()), DrainStatus::Gone);  // as the window does before its run
    for (const CalibrationFrame& frame : run.OpeningFrames()) {
        sent.push_back(frame);
        ASSERT_EQ(SendFrame(channel, frame), WriteStatus::Written);
    }
    ASSERT_TRUE(listener.Start(host.get(), events.Callback()));
    while (const auto cross = run.CurrentCross()) {
        const bool last = run.currentTarget() + 1 == 9;
        if (last) {
            ASSERT_TRUE(peer.WaitForReceived(sent.size(), 2s));
            peer.FingerDown();
        }
        const TouchOutcome outcome = Touch(run, *cross);
        ASSERT_TRUE(outcome.accepted);
        if (outcome.frameToSend) {
            sent.push_back(*outcome.frameToSend);
            ASSERT_EQ(SendFrame(channel, *outcome.frameToSend), WriteStatus::Written);
        }
        if (last) {
            EXPECT_FALSE(outcome.frameToSend.has_value());
            peer.FingerUp();
        }
    }
    EXPECT_EQ(events.WaitForFirst(2s), c.expected);

    ASSERT_EQ(sent.size(), 10u);
    const auto received =
        peer.With([](SimulatedController& controller) { return controller.received(); });
    ASSERT_EQ(received.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(received[i],
                  std::vector<std::uint8_t>(sent[i].begin(), sent[i].begin() + c.outputLength))
            << "frame " << i;
    }
    // The set-up frame and the first point frame of a 9-point run on 1920 x 1080.
    const auto leading = [&](std::size_t i) {
        return std::vector<std::uint8_t>(received[i].begin(), received[i].begin() + 8);
    };
    EXPECT_EQ(leading(0),
              (std::vector<std::uint8_t>{0xAA, 0xF1, 0x00, 0x80, 0x07, 0x38, 0x04, 0x09}));
    EXPECT_EQ(leading(1),
              (std::vector<std::uint8_t>{0xAA, 0xF1, 0x01, 0x14, 0x00, 0x14, 0x00, 0x09}));
    EXPECT_EQ(peer.With([](SimulatedController& controller) { return controller.violations(); }),
              std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Runs, WholeCalibration,
    ::testing::Combine(
        ::testing::Values(
            RunCase{"Succeeds", Answer::Success, 64, {}, ListenerEvent::Success},
            RunCase{"FailsAfterReportsWithoutVerdict",
                    Answer::Failure,
                    64,
                    {MakeReply(0xAA, 0xF1, 0x05), MakeReply(0xAB, 0xF1, 0xFF)},
                    ListenerEvent::Failure},
            RunCase{"SucceedsWithNineByteReports", Answer::Success, 9, {}, ListenerEvent::Success}),
        ::testing::Bool()),
    [](const auto& p) {
        return std::string(std::get<0>(p.param).name) +
               (std::get<1>(p.param) ? "AmongTouchReports" : "");
    });

}  // namespace
}  // namespace norvessa
