#pragma once
// The reset exchange: one reset frame, then one reply awaited for a bounded time. The caller
// shows the message that the outcome names; this part has no user interface.

#include <windows.h>

#include <cstdint>

namespace norvessa {

enum class ResetOutcome {
    Succeeded,  // "Reset succeed": AA F1 FF
    Failed,     // "Reset failed": AA F1 00, or no reply within RESET_REPLY_WAIT_MS
    NoMessage,  // a reply that is no verdict, or no read possible (no controller, read refused)
    ControllerGone,  // no message: a request failed with a device-gone error
};

// Over g_writeDevice, g_readDevice and g_outputReportLength. Input reports queued before the
// exchange are discarded first; then it blocks for at most WRITE_WAIT_MS for the write and
// RESET_REPLY_WAIT_MS for the reply. The first input report that arrives after the discard is the
// answer; nothing else may be reading the handle meanwhile. Nothing is outstanding when it
// returns: an unfinished write or read is cancelled and collected, and its event closed.
ResetOutcome RunResetExchange();

// The same on explicit handles and length (the tests' way in).
ResetOutcome RunResetExchangeOn(HANDLE writeHandle, HANDLE readHandle,
                                std::uint32_t outputReportLength);

}  // namespace norvessa
