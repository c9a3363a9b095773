#include "protocol/linux/reset_exchange.h"

#include "protocol/linux/frame_io.h"

namespace norvessa {

ResetOutcome RunResetExchange(const ControllerChannel& channel) {
    if (!channel.valid()) {
        return ResetOutcome::NoMessage;
    }
    // A reply that arrived too late for an earlier exchange is no answer to this one.
    if (DrainInput(channel.fd) == DrainStatus::Gone) {
        return ResetOutcome::ControllerGone;
    }
    // A write that fails or times out is not reported: the read follows all the same.
    if (SendFrame(channel, BuildResetFrame(), WRITE_WAIT_MS) == WriteStatus::Gone) {
        return ResetOutcome::ControllerGone;
    }

    ReplyFrame reply{};
    const ReadResult read = ReadControllerReport(channel.fd, reply, RESET_REPLY_WAIT_MS);
    switch (read.status) {
        case ReadStatus::TimedOut:
            return ResetOutcome::Failed;
        case ReadStatus::NoController:
            return ResetOutcome::NoMessage;
        case ReadStatus::Gone:
            return ResetOutcome::ControllerGone;
        case ReadStatus::Report:
            break;
    }
    // Only the bytes the read delivered are classified.
    switch (ParseReply(std::span<const std::uint8_t>(reply.data(), read.length))) {
        case Verdict::Success:
            return ResetOutcome::Succeeded;
        case Verdict::Failure:
            return ResetOutcome::Failed;
        case Verdict::None:
            break;
    }
    return ResetOutcome::NoMessage;
}

}  // namespace norvessa
