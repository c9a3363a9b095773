#include "protocol/win32/frame_io.h"

#include "controller/log.h"
#include "controller/win32/controller_state.h"
#include "controller/win32/device_gone.h"
#include "controller/win32/error_text.h"

namespace norvessa {
namespace {

WriteStatus FailedWith(DWORD error) {
    return IsDeviceGoneError(error) ? WriteStatus::Gone : WriteStatus::Failed;
}

}  // namespace

WriteStatus SendFrame(const CalibrationFrame& frame, OverlappedOperation& write) {
    return SendFrameTo(g_writeDevice.handle, g_outputReportLength, frame, write);
}

WriteStatus SendFrameTo(HANDLE handle, std::uint32_t reportLength, const CalibrationFrame& frame,
                        OverlappedOperation& write, DWORD waitMs) {
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || reportLength == 0) {
        return WriteStatus::NoController;
    }
    if (reportLength > FRAME_SIZE) {
        return WriteStatus::Refused;
    }
    if (!write.StartWrite(handle, frame.data(), reportLength)) {
        LogError("write to the controller failed: " + WindowsErrorText(write.lastError()));
        return FailedWith(write.lastError());
    }
    const DWORD waited = write.Wait(waitMs);
    if (waited == WAIT_OBJECT_0) {
        if (write.Collect()) {
            return WriteStatus::Written;
        }
        LogError("write to the controller failed: " + WindowsErrorText(write.lastError()));
        return FailedWith(write.lastError());
    }
    // Not finished in time (or the wait itself failed): the frame must not be written from
    // later, and the record must be free for the next frame.
    write.CancelAndCollect();
    return waited == WAIT_TIMEOUT ? WriteStatus::TimedOut : WriteStatus::Failed;
}

}  // namespace norvessa
