#include "protocol/win32/overlapped_io.h"

namespace norvessa {

UniqueKernelHandle MakeManualResetEvent(bool initiallySignalled) {
    return UniqueKernelHandle(
        ::CreateEventW(nullptr, TRUE, initiallySignalled ? TRUE : FALSE, nullptr));
}

OverlappedOperation::OverlappedOperation(bool initiallySignalled)
    : event_(MakeManualResetEvent(initiallySignalled)) {}

bool OverlappedOperation::StartWrite(HANDLE file, const std::uint8_t* buffer, DWORD length) {
    return Prepare(file) && Started(::WriteFile(file, buffer, length, nullptr, &record_));
}

bool OverlappedOperation::StartRead(HANDLE file, std::uint8_t* buffer, DWORD length) {
    return Prepare(file) && Started(::ReadFile(file, buffer, length, nullptr, &record_));
}

bool OverlappedOperation::Prepare(HANDLE file) {
    // The record is reused only once the previous operation has let go of it.
    CancelAndCollect();
    if (!valid() || file == INVALID_HANDLE_VALUE || file == nullptr) {
        return false;
    }
    record_ = OVERLAPPED{};
    record_.hEvent = event_.get();
    file_ = file;
    return true;
}

bool OverlappedOperation::Started(BOOL result) {
    // A synchronous completion signals the event too, so both cases are collected alike.
    outstanding_ = result != FALSE || ::GetLastError() == ERROR_IO_PENDING;
    return outstanding_;
}

DWORD OverlappedOperation::Wait(DWORD milliseconds) const {
    return ::WaitForSingleObject(event_.get(), milliseconds);
}

std::optional<DWORD> OverlappedOperation::Collect() {
    if (!outstanding_) {
        return std::nullopt;
    }
    DWORD transferred = 0;
    const BOOL ok = ::GetOverlappedResult(file_, &record_, &transferred, FALSE);
    if (!ok && ::GetLastError() == ERROR_IO_INCOMPLETE) {
        return std::nullopt;  // still running: the caller cancels it
    }
    outstanding_ = false;
    if (!ok) {
        return std::nullopt;
    }
    return transferred;
}

std::optional<DWORD> OverlappedOperation::CancelAndCollect() {
    if (!outstanding_) {
        return std::nullopt;
    }
    ::CancelIoEx(file_, &record_);
    DWORD transferred = 0;
    // Returns once the operation has completed, cancelled or not; the manual-reset event keeps
    // its signal, so this cannot wait for a signal that a previous wait took.
    const BOOL ok = ::GetOverlappedResult(file_, &record_, &transferred, TRUE);
    outstanding_ = false;
    if (!ok) {
        return std::nullopt;
    }
    return transferred;
}

}  // namespace norvessa
