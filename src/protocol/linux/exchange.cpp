#include "protocol/linux/exchange.h"

#include <chrono>

#include "controller/linux/report_writer.h"
#include "controller/log.h"
#include "protocol/frames.h"
#include "protocol/linux/frame_io.h"

namespace norvessa {

ExchangeStart BeginExchange(const ControllerChannel& channel) {
    if (!channel.valid()) {
        return ExchangeStart::NoController;
    }
    bool lateFrameWentOut = false;
    if (channel.writer != nullptr) {
        // Waiting drops what earlier exchanges left queued; only a frame in the kernel remains.
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
    // A frame that has only just gone out may still be answered: its answer is waited for too.
    const DrainStatus drained = lateFrameWentOut ? DiscardInputFor(channel.fd, RESET_REPLY_WAIT_MS)
                                                 : DrainInput(channel.fd);
    if (drained == DrainStatus::Gone) {
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
