#pragma once
// The verdict listener of one calibration run: a thread that reads the controller's replies
// until one carries a verdict, and posts that verdict to the calibration window. A read or wait
// that fails is posted too, with its error, so the window can end the run. It never touches a
// window otherwise and never shows anything, so the window can always stop it: Stop cancels its
// pending read, collects it and joins the thread, after which no reply is taken from the handle
// (a later calibration's or the reset exchange's reply stays where it is). Neither the
// collection nor the join waits without limit.

#include <windows.h>

#include <cstdint>
#include <memory>

#include "protocol/win32/overlapped_io.h"

namespace norvessa::win32 {

// How long Stop waits for the thread to end. Longer than a cancelled read is awaited, so a
// read that the system never lets go of has been abandoned by then.
inline constexpr DWORD LISTENER_JOIN_WAIT_MS = CANCEL_COLLECT_WAIT_MS + 2000;

class VerdictListener {
  public:
    // `cancel` is how its read is cancelled (the tests put in one that never cancels).
    explicit VerdictListener(CancelFunction cancel = &::CancelIoEx) : cancel_(cancel) {}
    ~VerdictListener() { Stop(); }
    VerdictListener(const VerdictListener&) = delete;
    VerdictListener& operator=(const VerdictListener&) = delete;

    // Starts reading `readHandle`, which stays borrowed until Stop returns. One message is
    // posted to `window` as `message`, then the thread ends: wParam SUCCESS or FAILURE for a
    // verdict, or READ_FAILED with the Win32 error in lParam when a read could not start, failed
    // or could not be awaited. False when already started or no thread or event could be made.
    bool Start(HANDLE readHandle, HWND window, UINT message);
    // Ends the thread, whether it waits for a reply or has posted, and joins it. A thread that
    // does not end within LISTENER_JOIN_WAIT_MS is logged and left to end on its own; what it
    // uses stays allocated for it. Idempotent; call on the thread that started it.
    void Stop();
    bool running() const { return thread_.valid(); }

    static constexpr WPARAM FAILURE = 0;
    static constexpr WPARAM SUCCESS = 1;
    static constexpr WPARAM READ_FAILED = 2;

  private:
    // Everything the thread touches; shared with it so that an abandoned thread keeps it.
    struct Shared;

    static DWORD WINAPI ListenerThreadProc(LPVOID shared);

    CancelFunction cancel_;
    std::shared_ptr<Shared> shared_;
    UniqueKernelHandle thread_;
};

}  // namespace norvessa::win32
