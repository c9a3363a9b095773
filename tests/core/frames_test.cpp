#include "protocol/frames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace norvessa {
namespace {

std::vector<std::uint8_t> Head(const CalibrationFrame& frame, std::size_t n) {
    return {frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(n)};
}

bool TailIsZero(const CalibrationFrame& frame, std::size_t from) {
    for (std::size_t i = from; i < frame.size(); ++i) {
        if (frame[i] != 0)
            return false;
    }
    return true;
}

struct FrameCase {
    const char* name;
    CalibrationFrame frame;
    std::vector<std::uint8_t> head;
};

class FrameBytes : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameBytes, HeadMatchesAndRestIsZero) {
    const FrameCase& c = GetParam();
    EXPECT_EQ(Head(c.frame, c.head.size()), c.head);
    EXPECT_TRUE(TailIsZero(c.frame, c.head.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameBytes,
    ::testing::Values(
        FrameCase{"Setup1920x1080x9",
                  BuildSetupFrame(1920, 1080, 9.0),
                  {0xAA, 0xF1, 0x00, 0x80, 0x07, 0x38, 0x04, 0x09}},
        FrameCase{"PointTarget0",
                  BuildPointFrame(0, 20, 20, 9.0),
                  {0xAA, 0xF1, 0x01, 0x14, 0x00, 0x14, 0x00, 0x09}},
        FrameCase{"PointTarget5",
                  BuildPointFrame(5, 1900, 540, 9.0),
                  {0xAA, 0xF1, 0x06, 0x6C, 0x07, 0x1C, 0x02, 0x09}},
        FrameCase{"Reset", BuildResetFrame(), {0xAA, 0xF1, 0xFF}},
        // Only the low 16 bits of a 32-bit value travel; negative values keep their bits.
        FrameCase{"SetupWide",
                  BuildSetupFrame(0x12345, -1, 25.0),
                  {0xAA, 0xF1, 0x00, 0x45, 0x23, 0xFF, 0xFF, 0x19}},
        FrameCase{"PointIndex24",
                  BuildPointFrame(24, 3820, 2140, 25.0),
                  {0xAA, 0xF1, 0x19, 0xEC, 0x0E, 0x5C, 0x08, 0x19}}),
    [](const auto& p) { return std::string(p.param.name); });

struct CountCase {
    double count;
    std::uint8_t byte;
};

class CountByte : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountByte, TruncatesTowardZeroAndKeepsLowBits) {
    const CountCase& c = GetParam();
    EXPECT_EQ(PointCountByte(c.count), c.byte);
    EXPECT_EQ(BuildSetupFrame(800, 600, c.count)[FRAME_COUNT_OFFSET], c.byte);
    EXPECT_EQ(BuildPointFrame(3, 1, 1, c.count)[FRAME_COUNT_OFFSET], c.byte);
}

INSTANTIATE_TEST_SUITE_P(Counts, CountByte,
                         ::testing::Values(CountCase{4, 0x04}, CountCase{9, 0x09},
                                           CountCase{12, 0x0C}, CountCase{15, 0x0F},
                                           CountCase{16, 0x10}, CountCase{20, 0x14},
                                           CountCase{25, 0x19}, CountCase{9.99, 0x09},
                                           CountCase{-1.5, 0xFF}, CountCase{256.0, 0x00},
                                           CountCase{300.0, 0x2C}, CountCase{std::nan(""), 0x00},
                                           CountCase{std::numeric_limits<double>::infinity(), 0x00},
                                           CountCase{1e300, 0x00}));

struct ReplyCase {
    std::vector<std::uint8_t> bytes;
    Verdict verdict;
};

class ReplyClassification : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyClassification, ByMagicThenVerdictByte) {
    const ReplyCase& c = GetParam();
    ReplyFrame reply{};
    std::copy(c.bytes.begin(), c.bytes.end(), reply.begin());
    EXPECT_EQ(ParseReply(reply), c.verdict);
}

INSTANTIATE_TEST_SUITE_P(Replies, ReplyClassification,
                         ::testing::Values(ReplyCase{{0xAA, 0xF1, 0xFF}, Verdict::Success},
                                           ReplyCase{{0xAA, 0xF1, 0x00}, Verdict::Failure},
                                           ReplyCase{{0xAA, 0xF1, 0x77}, Verdict::None},
                                           ReplyCase{{0xAA, 0xF1, 0x01}, Verdict::None},
                                           ReplyCase{{0xAB, 0xF1, 0xFF}, Verdict::None},
                                           ReplyCase{{0xAA, 0xF0, 0x00}, Verdict::None},
                                           ReplyCase{{0x00, 0x00, 0x00}, Verdict::None}));

TEST(ReplyClassification, ShortRepliesAndUnsetBufferCarryNoVerdict) {
    const std::vector<std::uint8_t> two = {0xAA, 0xF1};
    EXPECT_EQ(ParseReply(two), Verdict::None);
    EXPECT_EQ(ParseReply(std::span<const std::uint8_t>{}), Verdict::None);
    const std::vector<std::uint8_t> three = {0xAA, 0xF1, 0xFF};
    EXPECT_EQ(ParseReply(three), Verdict::Success);
    const ReplyFrame unset = MakeUnsetReply();
    EXPECT_EQ(unset[FRAME_COMMAND_OFFSET], REPLY_UNSET);
    EXPECT_EQ(ParseReply(unset), Verdict::None);
}

}  // namespace
}  // namespace norvessa
