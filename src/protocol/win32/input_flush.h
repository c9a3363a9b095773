#pragma once
// Discarding the input reports already queued for the controller, so that a reply that came
// too late for one exchange is not taken as the answer of the next.

#include <windows.h>

namespace norvessa {

// The most queued messages one flush drains from the pipe: a controller that keeps sending
// cannot hold the caller.
inline constexpr int MAX_DRAINED_MESSAGES = 256;

enum class FlushResult {
    Flushed,     // the queue was emptied (or was empty)
    NoHandle,    // no controller: nothing to flush
    Failed,      // the request failed for another reason; the exchange goes on all the same
    DeviceGone,  // the request failed with a device-gone error
};

// A HID collection's handle is flushed by its class driver (HidD_FlushQueue); where the driver
// refuses the request, the reports that a read delivers at once are dropped until one would
// wait. The pipe that serves the simulated controller has no such request: what it holds is read
// and dropped, message by message, without ever waiting for one that is not there yet.
FlushResult DiscardQueuedInput(HANDLE handle);

}  // namespace norvessa
