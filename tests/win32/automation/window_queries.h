#pragma once
// Read-only questions about the windows of another process, and polling for them.

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace norvessa::automation {

std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);

// A visible top-level dialog (class #32770) of the given process.
bool IsVisibleDialogOf(HWND hwnd, DWORD processId);

// The first top-level window that matches, or null.
HWND FindTopLevelWindow(const std::function<bool(HWND)>& matches);

// Polls the top-level windows until one matches; null after the time-out.
HWND WaitForWindow(std::chrono::milliseconds timeout, const std::function<bool(HWND)>& matches);

// Polls until the condition holds; false after the time-out.
bool WaitUntil(std::chrono::milliseconds timeout, const std::function<bool()>& condition);

// Whether this process can create windows at all: under Wine, not without an X display.
bool DisplayAvailable();
// What a UI test program returns without a display; CTest then reports it as skipped.
inline constexpr int SKIPPED_EXIT_CODE = 77;

// The child windows of parent in their window-manager order (the template order for a dialog).
std::vector<HWND> ChildWindows(HWND parent);

// The window that has the keyboard focus in the thread that owns hwnd.
HWND FocusedWindowOfThread(HWND hwnd);

// A control's place in dialog units.
struct DialogRect {
    int x, y, width, height;
};

// Converts pixels of another process's dialog back to dialog units. MapDialogRect only works
// inside the dialog's own process, so the base units are found from the client area: a dialog
// of W x H units has a client area of MulDiv(W, baseX, 4) x MulDiv(H, baseY, 8) pixels, with
// whole-pixel base units, and every coordinate is converted on its own the same way.
class DialogUnits {
  public:
    DialogUnits(HWND dialog, int widthUnits, int heightUnits);
    // False when no whole base unit gives the client size.
    bool valid() const { return baseX_ > 0 && baseY_ > 0; }
    // The control's window rectangle in the dialog's client area, in dialog units; a
    // coordinate that no whole number of units gives is -1.
    DialogRect ControlRect(HWND control) const;

  private:
    HWND dialog_;
    int baseX_;
    int baseY_;
};

// Whether the screen pixel at `at` has the colour `colour`.
bool ScreenPixelIs(POINT at, COLORREF colour);

// Touches a calibration window as a mouse does: button down, `moves` moves on the spot, button
// up, all posted at once at `at` (client pixels).
void PostMouseTouch(HWND window, POINT at, int moves);

// Touches the screen as the mouse driver does (SendInput): the pointer moved to `screenAt`
// (virtual-desktop pixels), button down, `moves` one-pixel moves to and fro, button up. The
// input goes to whatever window is there, each event carrying `extraInfo` (what marks input a
// touch or pen made up). False when SendInput refuses an event.
bool SendMouseTouch(POINT screenAt, int moves, ULONG_PTR extraInfo = 0);

// A visible popup menu (class #32768) of the given process.
bool IsVisibleMenuOf(HWND hwnd, DWORD processId);

// SendMessageTimeoutW for another process's window; nullopt when it does not answer in time.
std::optional<LRESULT> SendMessageWithTimeout(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam);

}  // namespace norvessa::automation
