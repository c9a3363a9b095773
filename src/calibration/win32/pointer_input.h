#pragma once
// The calibration window's contact sources, as pure conversions and the readers built on them:
// WM_POINTER (touch and pen, Windows 8 and later) first, WM_TOUCH where pointer input is not
// offered, the left mouse button last. Each hands the run a down, move or up at a position in
// the window's client pixels and the time it happened.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "calibration/calibration_run.h"

namespace norvessa::win32 {

// What one pointer message does to the contact. Cancelled: the system took the contact away
// (it went to another window, or the input was not valid); it ends without a lift-off test.
enum class PointerContact { Down, Move, Up, Cancelled };

struct ContactEvent {
    PointerContact contact = PointerContact::Down;
    SamplePoint position;
    friend bool operator==(const ContactEvent&, const ContactEvent&) = default;
};

// What one pointer message does, or none when it is no contact of a finger or a pen: a mouse
// or touchpad pointer (those arrive as mouse messages) or a pen hovering above the screen.
std::optional<PointerContact> PointerContactOf(UINT message, POINTER_INPUT_TYPE type,
                                               POINTER_FLAGS pointerFlags);

// The touch flag the run takes for a down, a move or a lift-off.
std::uint32_t TouchFlagOf(PointerContact contact);

// Pointer positions are physical screen pixels; the calibration window covers its monitor,
// whose top-left corner is its client origin.
SamplePoint PointerToClient(POINT pixelLocation, POINT monitorOrigin);

// TOUCHINPUT positions are hundredths of a physical screen pixel. Rounded down, not toward
// zero: a monitor left of or above the primary one has negative coordinates.
SamplePoint TouchInputToClient(LONG hundredthsX, LONG hundredthsY, POINT clientOrigin);

// A message's 32-bit millisecond time (GetMessageTime, wrapping every 49.7 days) on the
// 64-bit tick clock, given that clock's reading now; messages are never from the future.
std::int64_t MessageTimeOnTickClock(DWORD messageTime, std::uint64_t tickNow);

// Whether the system offers pointer input (Windows 8 and later). Looked up at run time, so the
// program still starts where only WM_TOUCH exists.
bool PointerInputOffered();

// Reads one WM_POINTERDOWN, WM_POINTERUPDATE or WM_POINTERUP for `window`: none when it is no
// contact of a finger or a pen, or the pointer cannot be read.
std::optional<ContactEvent> ReadPointerMessage(HWND window, UINT message, WPARAM wParam);

}  // namespace norvessa::win32
