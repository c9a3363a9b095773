#pragma once
// One overlapped read or write at a time on a borrowed handle, with its own record and event.
// The system only ever reads from or writes into storage that the operation owns (its record,
// its event and a transfer buffer of its own), so an operation that the system never lets go
// of can be abandoned without anything of the caller's being written later: a cancelled
// operation is awaited for a bounded time only, and one still not complete after that is
// logged and its storage kept aside until the system completes it, rather than hang its thread.
// An abandoned write may still reach the device later; AwaitAbandonedWrites tells whether one
// is still pending, so that a new exchange need not start behind it.

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "controller/win32/win32_handles.h"

namespace norvessa {

// A manual-reset event with no name. Manual reset matters: the completion of an operation must
// stay visible to a wait that comes after another wait already saw it.
UniqueKernelHandle MakeManualResetEvent(bool initiallySignalled);

// How long a cancelled operation is awaited before it is given up and set aside.
inline constexpr DWORD CANCEL_COLLECT_WAIT_MS = 1000;
// The largest transfer one operation carries (a report is at most 64 bytes; the simulated
// controller reads with room to spare).
inline constexpr DWORD MAX_TRANSFER_SIZE = 256;

// What cancelling an operation calls; the tests put in one that never cancels, as a driver
// that ignores cancellation would.
using CancelFunction = BOOL(WINAPI*)(HANDLE file, LPOVERLAPPED record);

class OverlappedOperation {
  public:
    // Not valid() when its event or storage could not be made; nothing can be started then.
    explicit OverlappedOperation(bool initiallySignalled = false,
                                 CancelFunction cancel = &::CancelIoEx,
                                 DWORD collectWaitMs = CANCEL_COLLECT_WAIT_MS);
    ~OverlappedOperation() { CancelAndCollect(); }
    OverlappedOperation(const OverlappedOperation&) = delete;
    OverlappedOperation& operator=(const OverlappedOperation&) = delete;

    bool valid() const { return storage_ && storage_->event.valid(); }
    HANDLE event() const { return storage_ ? storage_->event.get() : nullptr; }
    // Started and not yet collected.
    bool outstanding() const { return outstanding_; }
    // The Win32 error of the last start or collection that failed; 0 after a success.
    DWORD lastError() const { return lastError_; }
    // How many operations were given up (set aside until the system completes them) since the
    // process started.
    static unsigned leakedCount();
    // Waits at most `milliseconds` until no write abandoned on `file` is pending in the system
    // any more; true when none is (or none was ever abandoned there). Storage of abandoned
    // operations that have completed meanwhile, on any handle, is freed on the way.
    static bool AwaitAbandonedWrites(HANDLE file, DWORD milliseconds);

    // Start an overlapped WriteFile / ReadFile (offsets 0), at most MAX_TRANSFER_SIZE bytes.
    // True when the operation is pending or already complete; false when it did not start (see
    // lastError), and then the event is left as it was. A write copies `buffer` at once; a read
    // copies what it delivered into `buffer` when it is collected, so `buffer` must stay valid
    // until then, and is never written by the system itself.
    bool StartWrite(HANDLE file, const std::uint8_t* buffer, DWORD length);
    bool StartRead(HANDLE file, std::uint8_t* buffer, DWORD length);

    // WaitForSingleObject on the event.
    DWORD Wait(DWORD milliseconds) const;

    // Collects an operation whose event is signalled: the bytes transferred, or nullopt when
    // the operation failed (cancelled, handle closed, device gone; see lastError) or has not
    // finished yet (then it stays outstanding).
    std::optional<DWORD> Collect();

    // Cancels an outstanding operation (on this record only) and waits a bounded time until
    // the system has let go of it. The bytes transferred when it had completed all the same;
    // nullopt when it was cancelled, failed, none was outstanding, or it had to be abandoned.
    std::optional<DWORD> CancelAndCollect();

  private:
    // Everything the system may write into while an operation is outstanding.
    struct Storage {
        OVERLAPPED record{};
        UniqueKernelHandle event;
        std::array<std::uint8_t, MAX_TRANSFER_SIZE> buffer{};
    };

    bool Prepare(HANDLE file, DWORD length, bool writing);
    bool Started(BOOL result);
    std::optional<DWORD> Finish(BOOL ok, DWORD transferred);
    // Sets aside the storage of an operation that would not complete and takes fresh storage.
    void Abandon();

    bool initiallySignalled_;
    CancelFunction cancel_;
    DWORD collectWaitMs_;
    std::unique_ptr<Storage> storage_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::uint8_t* readTarget_ = nullptr;
    bool writing_ = false;
    bool outstanding_ = false;
    DWORD lastError_ = 0;
};

}  // namespace norvessa
