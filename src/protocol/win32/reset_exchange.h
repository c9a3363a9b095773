#pragma once
// The reset exchange: one reset frame, then one reply awaited for a bounded time. The caller
// shows the message that the outcome names; this part has no user interface.

#include <windows.h>

#include <cstdint>

#include "protocol/win32/overlapped_io.h"

namespace norvessa {

enum class ResetOutcome {
    Succeeded,  // "Reset succeed": AA F1 FF
    Failed,     // "Reset failed": AA F1 00
    NoReply,    // "Reset failed" too: no reply within RESET_REPLY_WAIT_MS
    NoMessage,  // a reply that is no verdict, or no read possible (no controller, read refused)
    ControllerGone,  // no message: a request failed with a device-gone error
    // "Reset failed" too: a write given up by an earlier exchange was still pending after
    // EARLIER_WRITE_WAIT_MS, so nothing was sent.
    NotResponding,
};

// Over g_writeDevice, g_readDevice and g_outputReportLength. The exchange starts as
// StartExchange has it (no earlier write pending, queued input discarded); then it blocks for at
// most WRITE_WAIT_MS for the write and RESET_REPLY_WAIT_MS for the reply. The first input report
// that arrives after the discard is the answer; nothing else may be reading the handle
// meanwhile. Nothing of its own is outstanding when it returns: an unfinished write or read is
// cancelled and collected, or, where the system does not let go of it, abandoned. `cancel` is
// how its write is cancelled (the tests put in one that never cancels).
ResetOutcome RunResetExchange(CancelFunction cancel = &::CancelIoEx);

// The same on explicit handles and length (the tests' way in).
ResetOutcome RunResetExchangeOn(HANDLE writeHandle, HANDLE readHandle,
                                std::uint32_t outputReportLength,
                                CancelFunction cancel = &::CancelIoEx);

}  // namespace norvessa
