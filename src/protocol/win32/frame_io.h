#pragma once
// Sending a frame to the controller: an overlapped write of exactly the controller's output
// report length, followed by a bounded wait. A write that has not finished when the wait ends
// is cancelled and collected, so the frame and the record are free again when this returns.

#include <windows.h>

#include <cstdint>

#include "protocol/frames.h"
#include "protocol/win32/overlapped_io.h"

namespace norvessa {

enum class WriteStatus {
    Written,       // the write completed within the wait
    TimedOut,      // not complete within the wait: cancelled and collected
    NoController,  // no handle or a length of 0: nothing written
    Refused,       // a report length beyond the 64-byte frame: never sent
    Failed,        // the write did not start or completed with an error
    Gone,          // the write failed with a device-gone error: the controller is no more
};

// Writes the first g_outputReportLength bytes of the frame to g_writeDevice's handle with the
// caller's record and event, waiting at most WRITE_WAIT_MS. Callers need not act on the result.
WriteStatus SendFrame(const CalibrationFrame& frame, OverlappedOperation& write);

// The same on an explicit handle and length (the tests' way in).
WriteStatus SendFrameTo(HANDLE handle, std::uint32_t reportLength, const CalibrationFrame& frame,
                        OverlappedOperation& write, DWORD waitMs = WRITE_WAIT_MS);

}  // namespace norvessa
