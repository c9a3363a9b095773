#include "seqpacket_peer.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <future>
#include <thread>

#include "protocol/frames.h"

namespace norvessa::sim {
namespace {

using namespace std::chrono_literals;

std::optional<ReplyFrame> ReadReport(int fd, int timeoutMs) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, timeoutMs) != 1 || !(pfd.revents & POLLIN))
        return std::nullopt;
    ReplyFrame reply{};
    if (::recv(fd, reply.data(), reply.size(), 0) != static_cast<ssize_t>(reply.size())) {
        return std::nullopt;
    }
    return reply;
}

TEST(SeqpacketPeer, KeepsReportBoundariesBothWays) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    const CalibrationFrame reset = BuildResetFrame();
    ASSERT_EQ(::send(host.get(), reset.data(), 9, 0), 9);
    ASSERT_TRUE(peer.WaitForReceived(1, 2s));
    EXPECT_EQ(peer.With([](SimulatedController& c) { return c.received().at(0).size(); }), 9u);
    const auto reply = ReadReport(host.get(), 2000);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(ParseReply(*reply), Verdict::Success);
}

TEST(SeqpacketPeer, LateAnswerArrivesAfterItsDelay) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    peer.With([](SimulatedController& c) {
        c.SetResetScript(ResetScript{.answer = Answer::Failure, .delay = 300ms});
    });
    const CalibrationFrame reset = BuildResetFrame();
    ASSERT_EQ(::send(host.get(), reset.data(), reset.size(), 0), 64);
    EXPECT_FALSE(ReadReport(host.get(), 100).has_value());
    const auto reply = ReadReport(host.get(), 2000);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(ParseReply(*reply), Verdict::Failure);
}

TEST(SeqpacketPeer, DeliversATouchBurstLargerThanTheKernelQueueWhole) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    peer.StartTouchStream(TouchStream{.reportId = 0x01, .interval = 0ms, .burst = 100});
    for (int sequence = 0; sequence < 100; ++sequence) {
        const auto report = ReadReport(host.get(), 2000);
        ASSERT_TRUE(report.has_value()) << sequence;
        EXPECT_EQ((*report)[0], 0x01);
        EXPECT_EQ((*report)[3], sequence);
    }
    EXPECT_FALSE(ReadReport(host.get(), 100).has_value());
}

TEST(SeqpacketPeer, DisconnectHangsUpTheHostEnd) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    peer.Disconnect();
    pollfd pfd{host.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 2000), 1);
    EXPECT_TRUE(pfd.revents & POLLHUP);
    const CalibrationFrame reset = BuildResetFrame();
    EXPECT_EQ(::send(host.get(), reset.data(), reset.size(), MSG_NOSIGNAL), -1);
    EXPECT_EQ(errno, EPIPE);
}

// A host write blocked on the controller's full queue ends when the controller is unplugged.
TEST(SeqpacketPeer, DisconnectEndsAWriteBlockedOnAFullQueue) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    // Bounded, so a write that is never released fails the test instead of hanging it.
    const timeval bound{3, 0};
    ASSERT_EQ(::setsockopt(host.get(), SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound), 0);
    peer.PauseReading(true);
    const CalibrationFrame reset = BuildResetFrame();
    while (::send(host.get(), reset.data(), reset.size(), MSG_DONTWAIT) > 0) {
    }
    std::promise<int> ended;
    std::thread writer([&] {
        const ssize_t sent = ::send(host.get(), reset.data(), reset.size(), MSG_NOSIGNAL);
        ended.set_value(sent < 0 ? errno : 0);
    });
    std::this_thread::sleep_for(100ms);
    peer.Disconnect();
    auto result = ended.get_future();
    EXPECT_EQ(result.wait_for(2s), std::future_status::ready);
    writer.join();
    // The queue the controller left unread makes it a reset rather than a broken pipe.
    const int error = result.get();
    EXPECT_TRUE(error == EPIPE || error == ECONNRESET) << error;
}

}  // namespace
}  // namespace norvessa::sim
