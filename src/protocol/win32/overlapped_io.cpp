#include "protocol/win32/overlapped_io.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace norvessa {
namespace {

std::atomic<unsigned> g_leakedOperations{0};

// An operation given up while the system still held it. Its storage (record, buffer, event)
// is freed here once its event says that the system has let go of it.
struct AbandonedOperation {
    HANDLE file;
    bool write;
    HANDLE event;
    void* storage;
    void (*release)(void* storage);
};

std::mutex g_abandonedMutex;
std::vector<AbandonedOperation> g_abandoned;

// Frees what has completed. Call with g_abandonedMutex held.
void FreeCompleted() {
    std::erase_if(g_abandoned, [](const AbandonedOperation& operation) {
        if (::WaitForSingleObject(operation.event, 0) != WAIT_OBJECT_0) {
            return false;
        }
        operation.release(operation.storage);
        return true;
    });
}

enum class PendingWrite { None, Some, Unknown };

// Whether a write on `file` is still pending, and if so a duplicate of its event in `event`, so
// the caller can wait on it while another thread frees what has completed.
PendingWrite FindPendingWrite(HANDLE file, UniqueKernelHandle& event) {
    std::lock_guard lock(g_abandonedMutex);
    FreeCompleted();
    for (const AbandonedOperation& operation : g_abandoned) {
        if (operation.write && operation.file == file) {
            HANDLE duplicate = nullptr;
            if (!::DuplicateHandle(::GetCurrentProcess(), operation.event, ::GetCurrentProcess(),
                                   &duplicate, SYNCHRONIZE, FALSE, 0)) {
                return PendingWrite::Unknown;
            }
            event.reset(duplicate);
            return PendingWrite::Some;
        }
    }
    return PendingWrite::None;
}

void LogAbandoned(HANDLE file) {
    const std::wstring text =
        L"norvessa: an I/O operation on handle " +
        std::to_wstring(reinterpret_cast<std::uintptr_t>(file)) +
        L" did not complete after its cancellation; its buffer and record are kept until it "
        L"does\n";
    ::OutputDebugStringW(text.c_str());
    std::fputws(text.c_str(), stderr);
}

}  // namespace

UniqueKernelHandle MakeManualResetEvent(bool initiallySignalled) {
    return UniqueKernelHandle(
        ::CreateEventW(nullptr, TRUE, initiallySignalled ? TRUE : FALSE, nullptr));
}

OverlappedOperation::OverlappedOperation(bool initiallySignalled, CancelFunction cancel,
                                         DWORD collectWaitMs)
    : initiallySignalled_(initiallySignalled), cancel_(cancel), collectWaitMs_(collectWaitMs) {
    storage_.reset(new (std::nothrow) Storage);
    if (storage_) {
        storage_->event = MakeManualResetEvent(initiallySignalled_);
    }
}

unsigned OverlappedOperation::leakedCount() {
    return g_leakedOperations.load();
}

bool OverlappedOperation::AwaitAbandonedWrites(HANDLE file, DWORD milliseconds) {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (;;) {
        UniqueKernelHandle event;
        const PendingWrite pending = FindPendingWrite(file, event);
        const ULONGLONG now = ::GetTickCount64();
        if (pending == PendingWrite::None) {
            return true;
        }
        if (now >= end) {
            return false;
        }
        if (pending == PendingWrite::Unknown) {
            ::Sleep(static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)));
        } else {
            ::WaitForSingleObject(event.get(), static_cast<DWORD>(end - now));
        }
    }
}

bool OverlappedOperation::StartWrite(HANDLE file, const std::uint8_t* buffer, DWORD length) {
    if (!Prepare(file, length, true)) {
        return false;
    }
    std::memcpy(storage_->buffer.data(), buffer, length);
    return Started(::WriteFile(file, storage_->buffer.data(), length, nullptr, &storage_->record));
}

bool OverlappedOperation::StartRead(HANDLE file, std::uint8_t* buffer, DWORD length) {
    if (!Prepare(file, length, false)) {
        return false;
    }
    readTarget_ = buffer;
    return Started(::ReadFile(file, storage_->buffer.data(), length, nullptr, &storage_->record));
}

bool OverlappedOperation::Prepare(HANDLE file, DWORD length, bool writing) {
    // The record is reused only once the previous operation has let go of it.
    CancelAndCollect();
    readTarget_ = nullptr;
    writing_ = writing;
    if (!valid() || file == INVALID_HANDLE_VALUE || file == nullptr) {
        lastError_ = ERROR_INVALID_HANDLE;
        return false;
    }
    if (length > MAX_TRANSFER_SIZE) {
        lastError_ = ERROR_INVALID_PARAMETER;
        return false;
    }
    storage_->record = OVERLAPPED{};
    storage_->record.hEvent = storage_->event.get();
    file_ = file;
    return true;
}

bool OverlappedOperation::Started(BOOL result) {
    // A synchronous completion signals the event too, so both cases are collected alike.
    const DWORD error = result != FALSE ? ERROR_SUCCESS : ::GetLastError();
    outstanding_ = result != FALSE || error == ERROR_IO_PENDING;
    lastError_ = outstanding_ ? 0 : error;
    return outstanding_;
}

DWORD OverlappedOperation::Wait(DWORD milliseconds) const {
    return ::WaitForSingleObject(event(), milliseconds);
}

std::optional<DWORD> OverlappedOperation::Collect() {
    if (!outstanding_) {
        return std::nullopt;
    }
    DWORD transferred = 0;
    const BOOL ok = ::GetOverlappedResult(file_, &storage_->record, &transferred, FALSE);
    if (!ok && ::GetLastError() == ERROR_IO_INCOMPLETE) {
        return std::nullopt;  // still running: the caller cancels it
    }
    return Finish(ok, transferred);
}

std::optional<DWORD> OverlappedOperation::CancelAndCollect() {
    if (!outstanding_) {
        return std::nullopt;
    }
    cancel_(file_, &storage_->record);
    // The event is manual-reset and was reset when the operation started, so it is signalled
    // exactly when the operation has completed, cancelled or not.
    if (::WaitForSingleObject(storage_->event.get(), collectWaitMs_) != WAIT_OBJECT_0) {
        Abandon();
        return std::nullopt;
    }
    DWORD transferred = 0;
    const BOOL ok = ::GetOverlappedResult(file_, &storage_->record, &transferred, FALSE);
    if (!ok && ::GetLastError() == ERROR_IO_INCOMPLETE) {
        Abandon();
        return std::nullopt;
    }
    return Finish(ok, transferred);
}

std::optional<DWORD> OverlappedOperation::Finish(BOOL ok, DWORD transferred) {
    outstanding_ = false;
    if (!ok) {
        lastError_ = ::GetLastError();
        readTarget_ = nullptr;
        return std::nullopt;
    }
    lastError_ = 0;
    if (readTarget_ != nullptr) {
        std::memcpy(readTarget_, storage_->buffer.data(), transferred);
        readTarget_ = nullptr;
    }
    return transferred;
}

void OverlappedOperation::Abandon() {
    LogAbandoned(file_);
    ++g_leakedOperations;
    // The system may still write into the record, the buffer and the event: they stay until
    // the event is signalled. Where they cannot even be registered, they stay for good.
    Storage* storage = storage_.release();
    try {
        std::lock_guard lock(g_abandonedMutex);
        g_abandoned.push_back(AbandonedOperation{file_, writing_, storage->event.get(), storage,
                                                 [](void* p) { delete static_cast<Storage*>(p); }});
    } catch (...) {
        // Left for good: nothing may leave a cancellation, and freeing it now would be unsafe.
    }
    outstanding_ = false;
    readTarget_ = nullptr;
    lastError_ = ERROR_OPERATION_ABORTED;
    storage_.reset(new (std::nothrow) Storage);
    if (storage_) {
        storage_->event = MakeManualResetEvent(initiallySignalled_);
    }
}

}  // namespace norvessa
