#pragma once
// The reset exchange over the controller's fd: one reset frame, then one reply awaited for a
// bounded time. The user interface only shows the message that the outcome names.

#include "controller/linux/controller_channel.h"

namespace norvessa {

enum class ResetOutcome {
    Succeeded,  // "Reset succeed"
    Failed,     // "Reset failed": a failure verdict, or no reply in time
    NoMessage,  // a reply that is no verdict, or no read possible (no controller)
    // No message either: a read or write met the device-gone error or a hang-up, so the
    // caller releases the controller as its removal would.
    ControllerGone,
};

// Discards the input reports queued before it, then blocks for at most WRITE_WAIT_MS for the
// write and RESET_REPLY_WAIT_MS for the reply. The first controller report (report ID 0xAA)
// that arrives is taken as the answer; reports of the device's other collections are skipped
// within the same bound. No verdict listener may be reading the same fd meanwhile.
ResetOutcome RunResetExchange(const ControllerChannel& channel);

}  // namespace norvessa
