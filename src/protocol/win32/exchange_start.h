#pragma once
// The start of an exchange with the controller (a reset, a calibration). A frame belongs to the
// exchange that wrote it: a write that an earlier exchange gave up on but the system still
// holds may reach the controller at any time, and the controller's answer to it (AA F1 FF for a
// reset, the same bytes as a calibration's success) would then read as this exchange's reply.
// So an exchange starts only once no such write is pending, and drops the queued input after.

#include <windows.h>

namespace norvessa {

// How long a new exchange waits for a write of an earlier one that is still pending.
inline constexpr DWORD EARLIER_WRITE_WAIT_MS = 500;

enum class ExchangeStart {
    Ready,           // nothing pending; the queued input has been discarded
    NotResponding,   // an earlier write is still pending: nothing may be sent (logged)
    ControllerGone,  // discarding the input failed with a device-gone error
};

// Waits at most EARLIER_WRITE_WAIT_MS for writes abandoned earlier on `writeHandle` (and, when
// one completes in that time, RESET_REPLY_WAIT_MS more for its answer), then discards the input
// queued on `readHandle`. Without a controller (invalid handles) it is Ready at once; the
// exchange's own requests then find no controller.
ExchangeStart StartExchange(HANDLE writeHandle, HANDLE readHandle);

}  // namespace norvessa
