#include "protocol/win32/reset_exchange.h"

#include "controller/win32/controller_state.h"
#include "controller/win32/device_gone.h"
#include "protocol/frames.h"
#include "protocol/win32/exchange_start.h"
#include "protocol/win32/frame_io.h"

namespace norvessa {
namespace {

ResetOutcome NoReplyRead(DWORD error) {
    return IsDeviceGoneError(error) ? ResetOutcome::ControllerGone : ResetOutcome::NoMessage;
}

ResetOutcome OutcomeOf(std::span<const std::uint8_t> reply) {
    switch (ParseReply(reply)) {
        case Verdict::Success:
            return ResetOutcome::Succeeded;
        case Verdict::Failure:
            return ResetOutcome::Failed;
        case Verdict::None:
            return ResetOutcome::NoMessage;
    }
    return ResetOutcome::NoMessage;
}

}  // namespace

ResetOutcome RunResetExchange(CancelFunction cancel) {
    return RunResetExchangeOn(g_writeDevice.handle, g_readDevice.handle, g_outputReportLength,
                              cancel);
}

ResetOutcome RunResetExchangeOn(HANDLE writeHandle, HANDLE readHandle,
                                std::uint32_t outputReportLength, CancelFunction cancel) {
    // Neither a write of an earlier exchange nor a reply that came too late for one may answer
    // this one.
    switch (StartExchange(writeHandle, readHandle)) {
        case ExchangeStart::Ready:
            break;
        case ExchangeStart::NotResponding:
            return ResetOutcome::NotResponding;
        case ExchangeStart::ControllerGone:
            return ResetOutcome::ControllerGone;
    }
    const CalibrationFrame frame = BuildResetFrame();
    // Both events start signalled: an operation that never starts leaves its wait no reason
    // to block.
    OverlappedOperation write(true, cancel);
    if (SendFrameTo(writeHandle, outputReportLength, frame, write) == WriteStatus::Gone) {
        return ResetOutcome::ControllerGone;
    }

    OverlappedOperation read(true);
    ReplyFrame reply{};
    if (!read.StartRead(readHandle, reply.data(), static_cast<DWORD>(reply.size()))) {
        return NoReplyRead(read.lastError());  // no report was read: no verdict
    }
    const DWORD waited = read.Wait(RESET_REPLY_WAIT_MS);
    if (waited == WAIT_TIMEOUT) {
        read.CancelAndCollect();
        return ResetOutcome::NoReply;
    }
    if (waited != WAIT_OBJECT_0) {
        read.CancelAndCollect();
        return ResetOutcome::NoMessage;
    }
    const std::optional<DWORD> length = read.Collect();
    if (!length) {
        return NoReplyRead(read.lastError());
    }
    return OutcomeOf(std::span<const std::uint8_t>(reply.data(), *length));
}

}  // namespace norvessa
