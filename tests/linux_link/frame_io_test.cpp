#include "protocol/linux/frame_io.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>

#include "link_test_support.h"
#include "seqpacket_peer.h"

namespace norvessa {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sim::SeqpacketPeer;
using sim::SimulatedController;

std::vector<std::uint8_t> ReceivedAt(SeqpacketPeer& peer, std::size_t index) {
    return peer.With([index](SimulatedController& c) { return c.received().at(index); });
}

class WriteLength : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(WriteLength, SendsExactlyTheOutputReportLength) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    const std::uint32_t length = GetParam();
    const CalibrationFrame frame = BuildSetupFrame(1920, 1080, 9.0);

    EXPECT_EQ(SendFrame({host.get(), length}, frame), WriteStatus::Written);
    ASSERT_TRUE(peer.WaitForReceived(1, 2s));
    EXPECT_EQ(ReceivedAt(peer, 0),
              std::vector<std::uint8_t>(frame.begin(), frame.begin() + length));
}

INSTANTIATE_TEST_SUITE_P(Lengths, WriteLength, ::testing::Values(1u, 8u, 9u, 63u, 64u));

struct NothingSent {
    const char* name;
    int fd;  // -1 for none, 0 for the real host fd
    std::uint32_t length;
    WriteStatus expected;
    friend void PrintTo(const NothingSent& c, std::ostream* os) { *os << c.name; }
};

class NothingIsSent : public ::testing::TestWithParam<NothingSent> {};

TEST_P(NothingIsSent, AndTheCallReturnsAtOnce) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    const NothingSent& c = GetParam();
    const ControllerChannel channel{c.fd < 0 ? -1 : host.get(), c.length};

    const auto started = Clock::now();
    EXPECT_EQ(SendFrame(channel, BuildResetFrame()), c.expected);
    EXPECT_LT(Clock::now() - started, 100ms);
    EXPECT_FALSE(peer.WaitForReceived(1, 100ms));
}

INSTANTIATE_TEST_SUITE_P(
    Channels, NothingIsSent,
    ::testing::Values(NothingSent{"NoController", -1, 0, WriteStatus::NoController},
                      NothingSent{"NoFd", -1, 64, WriteStatus::NoController},
                      NothingSent{"NoLength", 0, 0, WriteStatus::NoController},
                      NothingSent{"LongerThanTheFrame", 0, 65, WriteStatus::Refused}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(SendFrame, GivesUpAfterItsBoundWhenThePeerNeverReads) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    peer.PauseReading(true);
    const int smallBuffer = 1;  // the kernel rounds it up to its minimum
    ASSERT_EQ(::setsockopt(host.get(), SOL_SOCKET, SO_SNDBUF, &smallBuffer, sizeof smallBuffer), 0);

    const CalibrationFrame frame = BuildResetFrame();
    WriteStatus status = WriteStatus::Written;
    Clock::duration took{};
    for (int sent = 0; sent < 10000 && status == WriteStatus::Written; ++sent) {
        const auto started = Clock::now();
        status = SendFrame({host.get(), 64}, frame);
        took = Clock::now() - started;
    }
    EXPECT_EQ(status, WriteStatus::TimedOut);
    EXPECT_GE(took, 450ms);
    EXPECT_LT(took, 2s);
}

TEST(SendFrame, FailsWithoutWaitingOnceThePeerIsGone) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    peer.Disconnect();
    ASSERT_TRUE(test::WaitForHangUp(host.get(), 2s));
    const auto started = Clock::now();
    EXPECT_EQ(SendFrame({host.get(), 64}, BuildResetFrame()), WriteStatus::Gone);
    EXPECT_LT(Clock::now() - started, 400ms);
}

TEST(ReadReport, TellsAReportASilenceAndAHangUpApart) {
    SeqpacketPeer peer;
    UniqueFd host = peer.TakeHostFd();
    ReplyFrame buffer{};

    EXPECT_EQ(ReadReport(host.get(), buffer, 50).status, ReadStatus::TimedOut);
    EXPECT_EQ(ReadReport(-1, buffer, 50).status, ReadStatus::NoController);

    peer.With([](SimulatedController& c) {
        c.QueueReport(sim::MakeReply(0xAA, 0xF1, 0x05), sim::Clock::now());
    });
    peer.PauseReading(false);  // wakes the peer's loop to send it
    const ReadResult read = ReadReport(host.get(), buffer, 2000);
    EXPECT_EQ(read.status, ReadStatus::Report);
    EXPECT_EQ(read.length, FRAME_SIZE);
    EXPECT_EQ(buffer[2], 0x05);

    peer.Disconnect();
    EXPECT_EQ(ReadReport(host.get(), buffer, 2000).status, ReadStatus::Gone);
}

}  // namespace
}  // namespace norvessa
