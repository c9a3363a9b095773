#pragma once
// The bounds of one exchange with the controller: a reset, or a calibration from its set-up
// frame to its verdict. Replies carry no sequence field, so the only way to know an answer is
// this exchange's own is to let no earlier frame reach the controller while it runs: an
// exchange begins only once no earlier frame is left in the kernel, and its own frames not yet
// handed to the kernel are dropped when it ends.

#include "controller/linux/controller_channel.h"

namespace norvessa {

// How long a new exchange waits for an earlier frame still stuck in the kernel.
inline constexpr unsigned STUCK_WRITE_WAIT_MS = 500;

enum class ExchangeStart {
    Ready,           // nothing earlier is in flight and the input is drained
    NoController,    // empty channel: the caller does what it does without a controller
    NotResponding,   // an earlier frame is still stuck in the kernel: do not start
    ControllerGone,  // the drain met a hang-up: the caller releases the controller
};

// Drops what earlier exchanges left queued, waits at most STUCK_WRITE_WAIT_MS for a frame still
// in the kernel, then discards the input already queued. When an earlier frame only went out
// during that wait, its answer may still be on its way: input is then discarded for
// RESET_REPLY_WAIT_MS, the time a controller has to answer. NotResponding is logged.
ExchangeStart BeginExchange(const ControllerChannel& channel);

// The exchange is over (answered, given up, or ended in any way): its frames that are still
// queued are dropped, so none of them can reach the controller after it.
void EndExchange(const ControllerChannel& channel);

}  // namespace norvessa
