#include "protocol/linux/exchange.h"

#include <chrono>

#include "controller/linux/report_writer.h"
#include "controller/log.h"
#include "protocol/frames.h"
#include "protocol/linux/frame_io.h"

namespace norvessa {
namespace {

using Clock = std::chrono::steady_clock;

// Discards every controller report that arrives until `waitMs` have passed.
DrainStatus DiscardArrivingInput(int fd, unsigned waitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    ReplyFrame discarded{};
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return DrainStatus::Drained;
        }
        const ReadResult read = ReadReport(fd, discarded, static_cast<unsigned>(left.count()));
        if (read.status == ReadStatus::Gone) {
            return DrainStatus::Gone;
        }
        if (read.status != ReadStatus::Report) {
            return DrainStatus::Drained;
        }
    }
}

}  // namespace

ExchangeStart BeginExchange(const ControllerChannel& channel) {
    if (!channel.valid()) {
        return ExchangeStart::NoController;
    }
    bool lateFrameWentOut = false;
    if (channel.writer != nullptr) {
        channel.writer->DropQueued();
        if (!channel.writer->WaitUntilIdle(std::chrono::milliseconds(0))) {
            if (!channel.writer->WaitUntilIdle(std::chrono::milliseconds(STUCK_WRITE_WAIT_MS))) {
                LogError(
                    "the touch controller is not responding: an earlier report is still "
                    "not written after " +
                    std::to_string(STUCK_WRITE_WAIT_MS) + " ms");
                return ExchangeStart::NotResponding;
            }
            lateFrameWentOut = true;
        }
    }
    if (DrainInput(channel.fd) == DrainStatus::Gone) {
        return ExchangeStart::ControllerGone;
    }
    if (lateFrameWentOut &&
        DiscardArrivingInput(channel.fd, RESET_REPLY_WAIT_MS) == DrainStatus::Gone) {
        return ExchangeStart::ControllerGone;
    }
    return ExchangeStart::Ready;
}

void EndExchange(const ControllerChannel& channel) {
    if (channel.writer != nullptr) {
        channel.writer->DropQueued();
    }
}

}  // namespace norvessa
