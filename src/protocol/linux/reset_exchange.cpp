#include "protocol/linux/reset_exchange.h"

#include "protocol/linux/exchange.h"
#include "protocol/linux/frame_io.h"

namespace norvessa {
namespace {

ResetOutcome ExchangeReset(const ControllerChannel& channel) {
    // A write that fails or times out is not reported: the read follows all the same.
    if (SendFrame(channel, BuildResetFrame(), WRITE_WAIT_MS) == WriteStatus::Gone) {
        return ResetOutcome::ControllerGone;
    }

    ReplyFrame reply{};
    const ReadResult read = ReadControllerReport(channel.fd, reply, RESET_REPLY_WAIT_MS);
    switch (read.status) {
        case ReadStatus::TimedOut:
            return ResetOutcome::NoReply;
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

}  // namespace

ResetOutcome RunResetExchange(const ControllerChannel& channel) {
    switch (BeginExchange(channel)) {
        case ExchangeStart::NoController:
            return ResetOutcome::NoMessage;
        case ExchangeStart::NotResponding:
            return ResetOutcome::NotResponding;
        case ExchangeStart::ControllerGone:
            return ResetOutcome::ControllerGone;
        case ExchangeStart::Ready:
            break;
    }
    const ResetOutcome outcome = ExchangeReset(channel);
    // A reset frame that never went out must not reach the controller after this exchange.
    EndExchange(channel);
    return outcome;
}

}  // namespace norvessa
