#pragma once
// The verdict listener of one calibration run: a thread that reads the controller's replies
// until one carries a verdict, and posts that verdict to the calibration window. It never
// touches a window otherwise and never shows anything, so the window can always stop it: Stop
// cancels its pending read, collects it and joins the thread, after which no reply is taken
// from the handle (a later calibration's or the reset exchange's reply stays where it is).

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "protocol/frames.h"
#include "protocol/win32/overlapped_io.h"

namespace norvessa::win32 {

class VerdictListener {
  public:
    VerdictListener() = default;
    ~VerdictListener() { Stop(); }
    VerdictListener(const VerdictListener&) = delete;
    VerdictListener& operator=(const VerdictListener&) = delete;

    // Starts reading `readHandle`, which stays borrowed until Stop returns. A verdict is posted
    // once to `window` as `message`, with wParam 1 for success and 0 for failure; then the
    // thread ends. A read that cannot start or that fails ends it without a post: the controller
    // is gone, and its removal ends the calibration. False when already started or no thread or
    // event could be made.
    bool Start(HANDLE readHandle, HWND window, UINT message);
    // Ends the thread, whether it waits for a reply or has posted its verdict, and joins it.
    // Idempotent; call on the thread that started it.
    void Stop();
    bool running() const { return thread_.valid(); }

    static constexpr WPARAM SUCCESS = 1;
    static constexpr WPARAM FAILURE = 0;

  private:
    static DWORD WINAPI ListenerThreadProc(LPVOID listener);
    void ListenForVerdict() noexcept;
    // Reads one reply: its verdict, or nullopt when the thread must end (stop asked, read
    // failed, wait failed).
    std::optional<Verdict> ReadOneReply();

    HANDLE readHandle_ = INVALID_HANDLE_VALUE;
    HWND window_ = nullptr;
    UINT message_ = 0;
    ReplyFrame reply_{};
    UniqueKernelHandle stop_;
    std::unique_ptr<OverlappedOperation> read_;
    UniqueKernelHandle thread_;
};

}  // namespace norvessa::win32
