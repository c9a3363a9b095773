#include "protocol/frames.h"

#include <cmath>

namespace norvessa {
namespace {

void PutLe16(CalibrationFrame& frame, std::size_t offset, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    frame[offset] = static_cast<std::uint8_t>(bits & 0xFFu);
    frame[offset + 1] = static_cast<std::uint8_t>((bits >> 8) & 0xFFu);
}

CalibrationFrame FrameWithCommand(std::uint8_t command) {
    CalibrationFrame frame{};
    frame[0] = FRAME_MAGIC[0];
    frame[1] = FRAME_MAGIC[1];
    frame[FRAME_COMMAND_OFFSET] = command;
    return frame;
}

}  // namespace

std::uint8_t PointCountByte(double pointCount) {
    // 2^63 bounds the conversion to int64; anything outside has no defined truncation.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(pointCount) || pointCount >= kLimit || pointCount <= -kLimit) {
        return 0;
    }
    const auto truncated = static_cast<std::int64_t>(pointCount);
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(truncated) & 0xFFu);
}

CalibrationFrame BuildSetupFrame(std::int32_t screenWidth, std::int32_t screenHeight,
                                 double pointCount) {
    CalibrationFrame frame = FrameWithCommand(CMD_SETUP);
    PutLe16(frame, FRAME_X_OFFSET, screenWidth);
    PutLe16(frame, FRAME_Y_OFFSET, screenHeight);
    frame[FRAME_COUNT_OFFSET] = PointCountByte(pointCount);
    return frame;
}

CalibrationFrame BuildPointFrame(std::uint32_t targetIndex, std::int32_t x, std::int32_t y,
                                 double pointCount) {
    CalibrationFrame frame = FrameWithCommand(static_cast<std::uint8_t>((targetIndex + 1) & 0xFFu));
    PutLe16(frame, FRAME_X_OFFSET, x);
    PutLe16(frame, FRAME_Y_OFFSET, y);
    frame[FRAME_COUNT_OFFSET] = PointCountByte(pointCount);
    return frame;
}

CalibrationFrame BuildResetFrame() {
    return FrameWithCommand(CMD_RESET);
}

Verdict ParseReply(std::span<const std::uint8_t> reply) {
    if (reply.size() <= FRAME_COMMAND_OFFSET) {
        return Verdict::None;
    }
    if (reply[0] != FRAME_MAGIC[0] || reply[1] != FRAME_MAGIC[1]) {
        return Verdict::None;
    }
    switch (reply[FRAME_COMMAND_OFFSET]) {
        case VERDICT_SUCCESS:
            return Verdict::Success;
        case VERDICT_FAILURE:
            return Verdict::Failure;
        default:
            return Verdict::None;
    }
}

ReplyFrame MakeUnsetReply() {
    ReplyFrame reply{};
    reply[FRAME_COMMAND_OFFSET] = REPLY_UNSET;
    return reply;
}

}  // namespace norvessa
