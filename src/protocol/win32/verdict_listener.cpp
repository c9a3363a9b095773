#include "protocol/win32/verdict_listener.h"

#include <cstdio>
#include <new>

#include "controller/log.h"
#include "controller/win32/error_text.h"
#include "protocol/frames.h"

namespace norvessa::win32 {

struct VerdictListener::Shared {
    Shared(HANDLE handle, HWND target, UINT posted, CancelFunction cancel)
        : readHandle(handle), window(target), message(posted), read(false, cancel) {}

    // What one read came to.
    struct Outcome {
        enum class Kind { Reply, Stopped, Failed } kind;
        Verdict verdict = Verdict::None;
        DWORD error = 0;
    };

    void ListenForVerdict() noexcept;
    Outcome ReadOneReply();

    HANDLE readHandle;
    HWND window;
    UINT message;
    ReplyFrame reply{};
    UniqueKernelHandle stop = MakeManualResetEvent(false);
    OverlappedOperation read;
};

bool VerdictListener::Start(HANDLE readHandle, HWND window, UINT message) {
    if (thread_) {
        return false;
    }
    std::shared_ptr<Shared>* forThread = nullptr;
    try {
        shared_ = std::make_shared<Shared>(readHandle, window, message, cancel_);
        forThread = new std::shared_ptr<Shared>(shared_);
    } catch (const std::bad_alloc&) {
        shared_.reset();
        return false;
    }
    if (!shared_->read.valid() || !shared_->stop) {
        delete forThread;
        shared_.reset();
        return false;
    }
    thread_.reset(::CreateThread(nullptr, 0, &ListenerThreadProc, forThread, 0, nullptr));
    if (!thread_) {
        delete forThread;
        shared_.reset();
        return false;
    }
    return true;
}

void VerdictListener::Stop() {
    if (!thread_) {
        return;
    }
    ::SetEvent(shared_->stop.get());
    if (::WaitForSingleObject(thread_.get(), LISTENER_JOIN_WAIT_MS) != WAIT_OBJECT_0) {
        // Its state is shared with it, so it can still end safely; the window must not hang.
        const wchar_t text[] = L"norvessa: the verdict listener did not end; left to itself\n";
        ::OutputDebugStringW(text);
        std::fputws(text, stderr);
    }
    thread_.reset();
    shared_.reset();
}

DWORD WINAPI VerdictListener::ListenerThreadProc(LPVOID shared) {
    const std::unique_ptr<std::shared_ptr<Shared>> owned(
        static_cast<std::shared_ptr<Shared>*>(shared));
    (*owned)->ListenForVerdict();
    return 1;
}

void VerdictListener::Shared::ListenForVerdict() noexcept {
    for (;;) {
        const Outcome outcome = ReadOneReply();
        switch (outcome.kind) {
            case Outcome::Kind::Stopped:
                return;
            case Outcome::Kind::Failed:
                // The window ends the run; a device-gone error also releases the controller.
                ::PostMessageW(window, message, READ_FAILED, static_cast<LPARAM>(outcome.error));
                return;
            case Outcome::Kind::Reply:
                if (outcome.verdict != Verdict::None) {
                    ::PostMessageW(window, message,
                                   outcome.verdict == Verdict::Success ? SUCCESS : FAILURE, 0);
                    return;
                }
                break;  // no verdict: read the next reply; the calibration goes on
        }
    }
}

VerdictListener::Shared::Outcome VerdictListener::Shared::ReadOneReply() {
    // While reports keep coming, every read completes at once: the stop request is looked at
    // before each, or the thread would go on reading the handle after Stop gave up on it.
    if (::WaitForSingleObject(stop.get(), 0) == WAIT_OBJECT_0) {
        return {Outcome::Kind::Stopped};
    }
    reply[FRAME_COMMAND_OFFSET] = REPLY_UNSET;
    if (!read.StartRead(readHandle, reply.data(), static_cast<DWORD>(reply.size()))) {
        const DWORD error = read.lastError();
        LogErrorFromThread("verdict listener ends: ", [error] { return WindowsErrorText(error); });
        return {Outcome::Kind::Failed, Verdict::None, error};
    }
    // The stop event first: when both are signalled, the stop wins over a completed read.
    const HANDLE handles[] = {stop.get(), read.event()};
    const DWORD woken = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (woken != WAIT_OBJECT_0 + 1) {
        const DWORD waitError = woken == WAIT_FAILED ? ::GetLastError() : 0;
        // Asked to stop, or the wait itself failed: never leave the read outstanding, and
        // never start a second one on this record.
        read.CancelAndCollect();
        if (woken == WAIT_OBJECT_0) {
            return {Outcome::Kind::Stopped};
        }
        return {Outcome::Kind::Failed, Verdict::None, waitError};
    }
    const std::optional<DWORD> length = read.Collect();
    if (!length) {
        const DWORD error = read.lastError();
        read.CancelAndCollect();  // in case it has not let go yet
        if (::WaitForSingleObject(stop.get(), 0) == WAIT_OBJECT_0) {
            return {Outcome::Kind::Stopped};
        }
        LogErrorFromThread("verdict listener ends: ", [error] { return WindowsErrorText(error); });
        return {Outcome::Kind::Failed, Verdict::None, error};
    }
    return {Outcome::Kind::Reply, ParseReply(std::span<const std::uint8_t>(reply.data(), *length))};
}

}  // namespace norvessa::win32
