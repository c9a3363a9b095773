// Exchanges over a controller whose OUT endpoint stalls: the peer reads nothing and the host's
// socket is full, so the writer thread's next write blocks in the kernel, as a hidraw write to
// a stalled endpoint does. The controller answers a reset frame with AA F1 FF, the same bytes
// as a calibration's success verdict: only the bounds of an exchange tell the two apart.

#include "protocol/linux/exchange.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "controller/linux/report_writer.h"
#include "link_test_support.h"
#include "protocol/linux/frame_io.h"
#include "protocol/linux/reset_exchange.h"
#include "seqpacket_peer.h"

namespace norvessa {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Bytes;

Bytes BytesOf(const CalibrationFrame& frame) {
    return {frame.begin(), frame.end()};
}

class StalledController : public ::testing::Test {
  protected:
    void SetUp() override {
        peer.With([](sim::SimulatedController& c) {
            c.SetResetScript({.answer = sim::Answer::Success});
        });
        peer.PauseReading(true);
        const int smallBuffer = 1;  // the kernel rounds it up to its minimum
        ASSERT_EQ(::setsockopt(host.get(), SOL_SOCKET, SO_SNDBUF, &smallBuffer, sizeof smallBuffer),
                  0);
        // Filler of no report ID the controller knows: the socket is full, the next write blocks.
        const Bytes filler(64, 0);
        while (::send(host.get(), filler.data(), filler.size(), MSG_DONTWAIT) > 0) {
        }
    }

    ControllerChannel channel() { return {host.get(), 64, &writer}; }

    // The controller's frames that reached it, filler left out.
    std::vector<Bytes> FramesReceived() {
        return peer.With([](sim::SimulatedController& c) {
            std::vector<Bytes> frames;
            for (const Bytes& report : c.received()) {
                if (!report.empty() && report[0] == CONTROLLER_REPORT_ID) {
                    frames.push_back(report);
                }
            }
            return frames;
        });
    }

    // Resumes the endpoint after `delay`, from another thread.
    std::thread RecoverAfter(std::chrono::milliseconds delay) {
        return std::thread([this, delay] {
            std::this_thread::sleep_for(delay);
            peer.PauseReading(false);
        });
    }

    sim::SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    ReportWriter writer{host.get()};
};

// The reset's frame stays stuck; a calibration asked for meanwhile does not start, and once the
// endpoint recovers the reset's answer is no verdict of the calibration that follows.
TEST_F(StalledController, AResetStuckInTheKernelNeverAnswersALaterCalibration) {
    EXPECT_EQ(RunResetExchange(channel()), ResetOutcome::NoReply);

    const auto asked = Clock::now();
    EXPECT_EQ(BeginExchange(channel()), ExchangeStart::NotResponding);
    EXPECT_GE(Clock::now() - asked, 450ms);
    EXPECT_EQ(RunResetExchange(channel()), ResetOutcome::NotResponding);

    std::thread recovery = RecoverAfter(200ms);
    EXPECT_EQ(BeginExchange(channel()), ExchangeStart::Ready);
    recovery.join();
    test::ListenerEvents events;
    VerdictListener listener;
    ASSERT_TRUE(listener.Start(host.get(), events.Callback()));
    const CalibrationFrame setup = BuildSetupFrame(800, 600, 4);
    const CalibrationFrame first = BuildPointFrame(0, 80, 60, 4);
    EXPECT_EQ(SendFrame(channel(), setup), WriteStatus::Written);
    EXPECT_EQ(SendFrame(channel(), first), WriteStatus::Written);
    EXPECT_EQ(events.WaitForFirst(800ms), std::nullopt);
    listener.Stop();
    // One reset frame only: the second reset sent nothing.
    EXPECT_EQ(FramesReceived(),
              (std::vector<Bytes>{BytesOf(BuildResetFrame()), BytesOf(setup), BytesOf(first)}));
}

// A calibration that ends while its frames wait behind a stuck one takes them along: only the
// frame already in the kernel reaches the controller.
TEST_F(StalledController, AnEndedExchangeDropsItsQueuedFrames) {
    ASSERT_EQ(BeginExchange(channel()), ExchangeStart::Ready);
    const CalibrationFrame setup = BuildSetupFrame(800, 600, 4);
    EXPECT_EQ(SendFrame(channel(), setup, 100), WriteStatus::TimedOut);
    EXPECT_EQ(SendFrame(channel(), BuildPointFrame(0, 80, 60, 4), 100), WriteStatus::TimedOut);
    EXPECT_EQ(SendFrame(channel(), BuildPointFrame(1, 720, 60, 4), 100), WriteStatus::TimedOut);
    EndExchange(channel());

    peer.PauseReading(false);
    // The next exchange's frame comes after whatever the ended one still sent.
    ASSERT_EQ(BeginExchange(channel()), ExchangeStart::Ready);
    const CalibrationFrame next = BuildSetupFrame(800, 600, 9);
    ASSERT_EQ(SendFrame(channel(), next), WriteStatus::Written);
    const auto deadline = Clock::now() + 2s;
    while (FramesReceived().size() < 2 || FramesReceived().back() != BytesOf(next)) {
        ASSERT_LT(Clock::now(), deadline);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(FramesReceived(), (std::vector<Bytes>{BytesOf(setup), BytesOf(next)}));
}

}  // namespace
}  // namespace norvessa
