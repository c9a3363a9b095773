#include "calibration/win32/verdict_listener.h"

#include <new>

#include "controller/log.h"
#include "controller/win32/error_text.h"

namespace norvessa::win32 {

bool VerdictListener::Start(HANDLE readHandle, HWND window, UINT message) {
    if (thread_) {
        return false;
    }
    try {
        read_ = std::make_unique<OverlappedOperation>();
    } catch (const std::bad_alloc&) {
        return false;
    }
    stop_ = MakeManualResetEvent(false);
    if (!read_->valid() || !stop_) {
        return false;
    }
    readHandle_ = readHandle;
    window_ = window;
    message_ = message;
    thread_.reset(::CreateThread(nullptr, 0, &ListenerThreadProc, this, 0, nullptr));
    return thread_.valid();
}

void VerdictListener::Stop() {
    if (!thread_) {
        return;
    }
    ::SetEvent(stop_.get());
    ::WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

DWORD WINAPI VerdictListener::ListenerThreadProc(LPVOID listener) {
    static_cast<VerdictListener*>(listener)->ListenForVerdict();
    return 1;
}

void VerdictListener::ListenForVerdict() noexcept {
    for (;;) {
        const std::optional<Verdict> verdict = ReadOneReply();
        if (!verdict) {
            return;
        }
        if (*verdict != Verdict::None) {
            ::PostMessageW(window_, message_, *verdict == Verdict::Success ? SUCCESS : FAILURE, 0);
            return;
        }
        // No verdict: read the next reply; the calibration goes on.
    }
}

std::optional<Verdict> VerdictListener::ReadOneReply() {
    reply_[FRAME_COMMAND_OFFSET] = REPLY_UNSET;
    if (!read_->StartRead(readHandle_, reply_.data(), static_cast<DWORD>(reply_.size()))) {
        LogErrorFromThread("verdict listener ends: ",
                           [] { return WindowsErrorText(::GetLastError()); });
        return std::nullopt;
    }
    const HANDLE handles[] = {read_->event(), stop_.get()};
    const DWORD woken = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (woken != WAIT_OBJECT_0) {
        // Asked to stop, or the wait itself failed: never leave the read outstanding, and
        // never start a second one on this record.
        read_->CancelAndCollect();
        return std::nullopt;
    }
    const std::optional<DWORD> length = read_->Collect();
    if (!length) {
        LogErrorFromThread("verdict listener ends: ",
                           [] { return WindowsErrorText(::GetLastError()); });
        read_->CancelAndCollect();  // in case it has not let go yet
        return std::nullopt;
    }
    return ParseReply(std::span<const std::uint8_t>(reply_.data(), *length));
}

}  // namespace norvessa::win32
