// Frames written through the real overlapped handle of the simulated controller's pipe: the
// bytes, the count written, the bounded wait and the cancelled write.
#include "protocol/win32/frame_io.h"

#include <gtest/gtest.h>

#include "controller/win32/controller_state.h"
#include "pipe_controller.h"

namespace norvessa {
namespace {

using test::PEER_TIMEOUT;
using test::PipeController;

struct FrameCase {
    const char* name;
    CalibrationFrame frame;
    std::vector<std::uint8_t> leadingBytes;  // the named bytes; all others are 0
};

const FrameCase kFrames[] = {
    {"SetUp1920x1080Of9",
     BuildSetupFrame(1920, 1080, 9.0),
     {0xAA, 0xF1, 0x00, 0x80, 0x07, 0x38, 0x04, 0x09}},
    {"FirstTargetAt20x20",
     BuildPointFrame(0, 20, 20, 9.0),
     {0xAA, 0xF1, 0x01, 0x14, 0x00, 0x14, 0x00, 0x09}},
    {"SixthTargetAt1900x540",
     BuildPointFrame(5, 1900, 540, 9.0),
     {0xAA, 0xF1, 0x06, 0x6C, 0x07, 0x1C, 0x02, 0x09}},
    {"Reset", BuildResetFrame(), {0xAA, 0xF1, 0xFF}},
};

class FrameBytesTest : public testing::TestWithParam<std::tuple<FrameCase, std::uint32_t>> {};

TEST_P(FrameBytesTest, WritesExactlyTheReportLengthFromTheFrame) {
    const auto& [frameCase, length] = GetParam();
    PipeController controller;
    g_writeDevice.handle = controller.host.get();
    g_outputReportLength = length;
    OverlappedOperation write;

    EXPECT_EQ(SendFrame(frameCase.frame, write), WriteStatus::Written);
    g_writeDevice = BorrowedDevice{};
    g_outputReportLength = 0;

    ASSERT_TRUE(controller.peer->WaitForReceived(1, PEER_TIMEOUT));
    const std::vector<std::uint8_t> received = controller.Received().at(0);
    std::vector<std::uint8_t> expected(FRAME_SIZE, 0);
    std::copy(frameCase.leadingBytes.begin(), frameCase.leadingBytes.end(), expected.begin());
    expected.resize(length);
    EXPECT_EQ(received, expected);
    EXPECT_FALSE(write.outstanding());
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameBytesTest,
                         testing::Combine(testing::ValuesIn(kFrames), testing::Values(8u, 9u, 64u)),
                         [](const testing::TestParamInfo<FrameBytesTest::ParamType>& param) {
                             return std::string(std::get<0>(param.param).name) + "_Length" +
                                    std::to_string(std::get<1>(param.param));
                         });

struct RefusedCase {
    const char* name;
    bool withHandle;
    std::uint32_t length;
    WriteStatus status;
};

class RefusedWriteTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedWriteTest, SendsNothing) {
    const RefusedCase& refused = GetParam();
    PipeController controller;
    OverlappedOperation write;
    const HANDLE handle = refused.withHandle ? controller.host.get() : INVALID_HANDLE_VALUE;

    EXPECT_EQ(SendFrameTo(handle, refused.length, BuildResetFrame(), write), refused.status);

    // A later frame arrives first and alone: nothing else was written.
    ASSERT_EQ(SendFrameTo(controller.host.get(), 8, BuildSetupFrame(1, 2, 4.0), write),
              WriteStatus::Written);
    ASSERT_TRUE(controller.peer->WaitForReceived(1, PEER_TIMEOUT));
    const auto received = controller.Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0][2], CMD_SETUP);
}

INSTANTIATE_TEST_SUITE_P(
    NoOrUnusableController, RefusedWriteTest,
    testing::Values(RefusedCase{"NoHandle", false, 64, WriteStatus::NoController},
                    RefusedCase{"LengthZero", true, 0, WriteStatus::NoController},
                    RefusedCase{"LongerThanTheFrame", true, 65, WriteStatus::Refused}),
    [](const testing::TestParamInfo<RefusedCase>& param) { return param.param.name; });

TEST(FrameIoTest, EmptyControllerStateSendsNothingAndReturnsAtOnce) {
    g_writeDevice = BorrowedDevice{};
    g_outputReportLength = 0;
    OverlappedOperation write;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendFrame(BuildResetFrame(), write), WriteStatus::NoController);
    EXPECT_LT(test::ElapsedMs(start), 100);
}

// The peer stops reading and the pipe holds only one report: writes then stay pending. The one
// that does not finish is given up after the bounded wait, cancelled, and never reaches the
// controller, even once it reads again.
TEST(FrameIoTest, AWriteThePeerNeverTakesIsCancelledAfterTheBoundedWait) {
    PipeController controller(FRAME_SIZE);
    ASSERT_TRUE(controller.peer->PauseReading(true));
    OverlappedOperation write;
    std::vector<WriteStatus> statuses;
    long long timedOutAfterMs = -1;
    for (std::uint32_t i = 0; i < 4 && timedOutAfterMs < 0; ++i) {
        const auto start = std::chrono::steady_clock::now();
        statuses.push_back(
            SendFrameTo(controller.host.get(), 64, BuildPointFrame(i, 100, 100, 25.0), write));
        if (statuses.back() == WriteStatus::TimedOut) {
            timedOutAfterMs = test::ElapsedMs(start);
        }
    }
    ASSERT_GE(timedOutAfterMs, 0) << "every write completed although the peer does not read";
    EXPECT_GE(timedOutAfterMs, static_cast<long long>(WRITE_WAIT_MS) - 50);
    EXPECT_LT(timedOutAfterMs, 5000);
    EXPECT_FALSE(write.outstanding()) << "the timed-out write was left pending";

    const std::size_t written = statuses.size() - 1;
    controller.peer->PauseReading(false);
    // A frame after the cancelled one arrives, and the cancelled one never does.
    ASSERT_EQ(SendFrameTo(controller.host.get(), 64, BuildResetFrame(), write),
              WriteStatus::Written);
    ASSERT_TRUE(controller.peer->WaitForReceived(written + 1, PEER_TIMEOUT));
    Sleep(200);  // anything still on its way would arrive now
    const auto received = controller.Received();
    ASSERT_EQ(received.size(), written + 1);
    for (std::size_t i = 0; i < written; ++i) {
        EXPECT_EQ(received[i][2], i + 1) << "frame " << i;
    }
    EXPECT_EQ(received.back()[2], CMD_RESET);
}

}  // namespace
}  // namespace norvessa
