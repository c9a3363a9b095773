#pragma once
// One overlapped read or write at a time on a borrowed handle, with its own record and event.
// The record and the buffer it names are never reused or freed while the system may still
// write into them: an operation that is not finished when its owner gives up on it is cancelled
// and collected first.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "controller/win32/win32_handles.h"

namespace norvessa {

struct KernelHandleTraits {
    using Value = HANDLE;
    static Value Empty() { return nullptr; }
    static void Release(Value value) { ::CloseHandle(value); }
};
// Events and threads: CreateEventW and CreateThread give null, not INVALID_HANDLE_VALUE, on
// failure.
using UniqueKernelHandle = UniqueResource<KernelHandleTraits>;

// A manual-reset event with no name. Manual reset matters: GetOverlappedResult with bWait TRUE
// waits on the record's event, and an auto-reset event already consumed by an earlier wait
// would never be signalled again.
UniqueKernelHandle MakeManualResetEvent(bool initiallySignalled);

class OverlappedOperation {
  public:
    // Null event on failure; valid() then says false and nothing can be started.
    explicit OverlappedOperation(bool initiallySignalled = false);
    ~OverlappedOperation() { CancelAndCollect(); }
    OverlappedOperation(const OverlappedOperation&) = delete;
    OverlappedOperation& operator=(const OverlappedOperation&) = delete;

    bool valid() const { return event_.valid(); }
    HANDLE event() const { return event_.get(); }
    // Started and not yet collected.
    bool outstanding() const { return outstanding_; }

    // Start an overlapped WriteFile / ReadFile with the record (offsets 0). True when the
    // operation is pending or already complete; false when it did not start, and then the
    // event is left as it was. `buffer` must outlive the operation's collection.
    bool StartWrite(HANDLE file, const std::uint8_t* buffer, DWORD length);
    bool StartRead(HANDLE file, std::uint8_t* buffer, DWORD length);

    // WaitForSingleObject on the event.
    DWORD Wait(DWORD milliseconds) const;

    // Collects an operation whose event is signalled: the bytes transferred, or nullopt when
    // the operation failed (cancelled, handle closed, device gone).
    std::optional<DWORD> Collect();

    // Cancels an outstanding operation (CancelIoEx on this record only) and waits until the
    // system has let go of it. The bytes transferred when it had completed all the same;
    // nullopt when it was cancelled, failed, or none was outstanding.
    std::optional<DWORD> CancelAndCollect();

  private:
    bool Prepare(HANDLE file);
    bool Started(BOOL result);

    UniqueKernelHandle event_;
    OVERLAPPED record_{};
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool outstanding_ = false;
};

}  // namespace norvessa
