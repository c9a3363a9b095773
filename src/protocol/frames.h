#pragma once
// Vendor report frames exchanged with the touch controller. Every frame is built and read
// byte by byte so the layout never depends on struct packing or host byte order.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "controller/controller_reports.h"

namespace norvessa {

inline constexpr std::size_t FRAME_SIZE = MAX_REPORT_LENGTH;
inline constexpr std::array<std::uint8_t, 2> FRAME_MAGIC = {0xAA, 0xF1};

inline constexpr std::uint8_t CMD_SETUP = 0x00;
inline constexpr std::uint8_t CMD_RESET = 0xFF;
inline constexpr std::uint8_t VERDICT_SUCCESS = 0xFF;
inline constexpr std::uint8_t VERDICT_FAILURE = 0x00;
// Pre-set into a reply buffer's verdict byte before a read: neither verdict.
inline constexpr std::uint8_t REPLY_UNSET = 0x77;

// Byte offsets inside a frame.
inline constexpr std::size_t FRAME_COMMAND_OFFSET = 2;
inline constexpr std::size_t FRAME_X_OFFSET = 3;
inline constexpr std::size_t FRAME_Y_OFFSET = 5;
inline constexpr std::size_t FRAME_COUNT_OFFSET = 7;

// Bounded waits of the exchange with the controller.
inline constexpr unsigned WRITE_WAIT_MS = 500;
inline constexpr unsigned RESET_REPLY_WAIT_MS = 500;

using CalibrationFrame = std::array<std::uint8_t, FRAME_SIZE>;
using ReplyFrame = std::array<std::uint8_t, FRAME_SIZE>;

enum class Verdict { None, Success, Failure };

// The count byte: the count truncated toward zero, low 8 bits. A value that has no integer
// (NaN, infinities, beyond 64 bits) gives 0 rather than undefined behaviour.
std::uint8_t PointCountByte(double pointCount);

CalibrationFrame BuildSetupFrame(std::int32_t screenWidth, std::int32_t screenHeight,
                                 double pointCount);
CalibrationFrame BuildPointFrame(std::uint32_t targetIndex, std::int32_t x, std::int32_t y,
                                 double pointCount);
CalibrationFrame BuildResetFrame();

// Classifies a reply. Fewer than three bytes can carry no verdict.
Verdict ParseReply(std::span<const std::uint8_t> reply);

// A reply buffer ready for a read: zero-filled, with REPLY_UNSET in the verdict byte so a read
// that delivers nothing never looks like a verdict.
ReplyFrame MakeUnsetReply();

}  // namespace norvessa
