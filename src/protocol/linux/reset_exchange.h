#pragma once
// The reset exchange over the controller's fd: one reset frame, then one reply awaited for a
// bounded time. The user interface only shows the message that the outcome names.

#include "controller/linux/controller_channel.h"

namespace norvessa {

enum class ResetOutcome {
    Succeeded,  // "Reset succeed"
    Failed,     // "Reset failed": a failure verdict
    NoReply,    // "Reset failed" too: no reply within the bound
    NoMessage,  // a reply that is no verdict, or no read possible (no controller)
    // "Reset failed": an earlier frame is still stuck in the kernel, so nothing was sent (an
    // answer could not be told from one to that frame).
    NotResponding,
    // No message either: a read or write met the device-gone error or a hang-up, so the
    // caller releases the controller as its removal would.
    ControllerGone,
};

// Begins an exchange (no earlier frame in flight, the input drained), then blocks for at most
// WRITE_WAIT_MS for the write and RESET_REPLY_WAIT_MS for the reply. The first controller
// report (report ID 0xAA) that arrives is taken as the answer; reports of the device's other
// collections are skipped within the same bound. No verdict listener may be reading the same
// fd meanwhile. A reset frame still queued when the exchange ends is dropped.
ResetOutcome RunResetExchange(const ControllerChannel& channel);

}  // namespace norvessa
