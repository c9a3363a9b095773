#pragma once
// The WM_TOUCH source of the calibration window, where pointer input is not offered, and the
// mark of mouse messages made from a touch or a pen, which the mouse source leaves alone.

#include <windows.h>

#include <cstdint>
#include <functional>

#include "calibration/calibration_run.h"

namespace norvessa::win32 {

// Whether a mouse message was made up by the system from a touch or a pen: its extra info
// carries the signature 0xFF515700 in its upper 24 bits. The touch already arrived as WM_TOUCH.
bool IsSynthesizedFromTouchOrPen(LPARAM messageExtraInfo);

// Sole owner of a WM_TOUCH input handle: closed once the records are read.
class TouchInputHandle {
  public:
    explicit TouchInputHandle(HTOUCHINPUT handle) : handle_(handle) {}
    ~TouchInputHandle() { ::CloseTouchInputHandle(handle_); }
    TouchInputHandle(const TouchInputHandle&) = delete;
    TouchInputHandle& operator=(const TouchInputHandle&) = delete;
    HTOUCHINPUT get() const { return handle_; }

  private:
    HTOUCHINPUT handle_;
};

// One contact of a WM_TOUCH message, in the window's client pixels, with its flags.
struct TouchPoint {
    std::uint32_t flags;
    SamplePoint position;
};

// Reads the records of one WM_TOUCH message and hands each to `onPoint`, in order: hundredths
// of a screen pixel become client pixels of `window`. False when the records cannot be read;
// the message then goes to the default handling, which closes the handle.
bool ReadTouchMessage(HWND window, WPARAM wParam, LPARAM lParam,
                      const std::function<void(const TouchPoint&)>& onPoint);

}  // namespace norvessa::win32
