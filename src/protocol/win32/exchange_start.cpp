#include "protocol/win32/exchange_start.h"

#include "controller/log.h"
#include "protocol/frames.h"
#include "protocol/win32/input_flush.h"
#include "protocol/win32/overlapped_io.h"

namespace norvessa {

ExchangeStart StartExchange(HANDLE writeHandle, HANDLE readHandle) {
    if (!OverlappedOperation::AwaitAbandonedWrites(writeHandle, 0)) {
        if (!OverlappedOperation::AwaitAbandonedWrites(writeHandle, EARLIER_WRITE_WAIT_MS)) {
            LogError(
                "the touch controller is not responding: a write given up earlier is still "
                "pending, so no new exchange starts");
            return ExchangeStart::NotResponding;
        }
        // The write has only just reached the controller: its answer is given the time a reply
        // may take, so that the discard below drops it too.
        ::Sleep(RESET_REPLY_WAIT_MS);
    }
    // Only now, so that whatever the earlier exchanges' writes brought back goes.
    if (DiscardQueuedInput(readHandle) == FlushResult::DeviceGone) {
        return ExchangeStart::ControllerGone;
    }
    return ExchangeStart::Ready;
}

}  // namespace norvessa
