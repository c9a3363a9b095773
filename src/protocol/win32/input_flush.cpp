#include "protocol/win32/input_flush.h"

#include <array>

#include "controller/win32/device_gone.h"
#include "controller/win32/hid_api.h"
#include "protocol/win32/overlapped_io.h"

namespace norvessa {
namespace {

// A message already in the pipe is delivered at once; this only bounds a read that, against
// expectation, does not complete.
constexpr DWORD DRAIN_READ_WAIT_MS = 100;

FlushResult FailedWith(DWORD error) {
    return IsDeviceGoneError(error) ? FlushResult::DeviceGone : FlushResult::Failed;
}

FlushResult DrainPipe(HANDLE pipe) {
    OverlappedOperation read;
    std::array<std::uint8_t, MAX_TRANSFER_SIZE> dropped{};
    for (int i = 0; i < MAX_DRAINED_MESSAGES; ++i) {
        DWORD available = 0;
        if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            return FailedWith(::GetLastError());
        }
        if (available == 0) {
            return FlushResult::Flushed;
        }
        if (!read.StartRead(pipe, dropped.data(), static_cast<DWORD>(dropped.size()))) {
            return FailedWith(read.lastError());
        }
        if (read.Wait(DRAIN_READ_WAIT_MS) != WAIT_OBJECT_0) {
            read.CancelAndCollect();
            return FlushResult::Failed;
        }
        // A longer message ends its read with ERROR_MORE_DATA; the next read takes the rest.
        if (!read.Collect() && read.lastError() != ERROR_MORE_DATA) {
            return FailedWith(read.lastError());
        }
    }
    return FlushResult::Flushed;
}

// For a class driver without the flush request (Wine's answers ERROR_NOT_SUPPORTED): reads
// whatever completes at once and drops it; the first read that would wait is cancelled.
FlushResult DrainByReading(HANDLE handle) {
    OverlappedOperation read;
    std::array<std::uint8_t, MAX_TRANSFER_SIZE> dropped{};
    for (int i = 0; i < MAX_DRAINED_MESSAGES; ++i) {
        if (!read.StartRead(handle, dropped.data(), static_cast<DWORD>(dropped.size()))) {
            return FailedWith(read.lastError());
        }
        if (read.Wait(0) != WAIT_OBJECT_0) {
            read.CancelAndCollect();
            return FlushResult::Flushed;
        }
        if (!read.Collect() && read.lastError() != ERROR_MORE_DATA) {
            return FailedWith(read.lastError());
        }
    }
    return FlushResult::Flushed;
}

}  // namespace

FlushResult DiscardQueuedInput(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        return FlushResult::NoHandle;
    }
    if (IsPipeHandle(handle)) {
        return DrainPipe(handle);
    }
    if (::HidD_FlushQueue(handle)) {
        return FlushResult::Flushed;
    }
    const DWORD error = ::GetLastError();
    return IsDeviceGoneError(error) ? FlushResult::DeviceGone : DrainByReading(handle);
}

}  // namespace norvessa
