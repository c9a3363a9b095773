#include "calibration/win32/contact_reader.h"

#include <windowsx.h>

#include "calibration/win32/pointer_input.h"
#include "calibration/win32/touch_input.h"

namespace norvessa::win32 {

namespace {

SamplePoint MousePosition(LPARAM lParam) {
    // Client coordinates, signed: a captured mouse may leave the window.
    return SamplePoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

bool FromTouchOrPen() {
    return IsSynthesizedFromTouchOrPen(GetMessageExtraInfo());
}

}  // namespace

void ContactReader::Start(HWND window) {
    window_ = window;
    // Pointer input, where offered, comes unasked and goes first; WM_TOUCH is for systems
    // without it. Both fail under Wine (no touch support): the mouse source works all the same.
    if (!PointerInputOffered()) {
        touchRegistered_ = RegisterTouchWindow(window, 0) != FALSE;
    }
}

void ContactReader::Stop() {
    if (touchRegistered_) {
        UnregisterTouchWindow(window_);
        touchRegistered_ = false;
    }
}

std::optional<MessageResult> ContactReader::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_POINTERDOWN:
        case WM_POINTERUPDATE:
        case WM_POINTERUP:
            return OnPointer(message, wParam);
        case WM_POINTERCAPTURECHANGED:
            // Another window took the finger's or the pen's pointer: its lift-off will not
            // come here. Pointer messages come from fingers and pens only (no mouse in pointer).
            handlers_.cancelled();
            return MessageResult::Handled();
        case WM_TOUCH:
            return OnTouch(wParam, lParam);
        case WM_LBUTTONDOWN:
        // The dialog class asks for double clicks: a second press soon after a first at the
        // same place arrives as one, and is a touch-down all the same.
        case WM_LBUTTONDBLCLK:
            return OnLButtonDown(lParam);
        case WM_MOUSEMOVE:
            return OnMouseMove(wParam, lParam);
        case WM_LBUTTONUP:
            return OnLButtonUp(lParam);
        default:
            return std::nullopt;
    }
}

MessageResult ContactReader::OnPointer(UINT message, WPARAM wParam) {
    // Handled, a finger's or a pen's pointer message is not turned into touch or mouse input
    // as well; anything else (a mouse, a hovering pen) takes the default way.
    const std::optional<ContactEvent> contact = ReadPointerMessage(window_, message, wParam);
    if (!contact) {
        return MessageResult::Default();
    }
    if (contact->contact == PointerContact::Cancelled) {
        handlers_.cancelled();
    } else {
        handlers_.contact(TouchFlagOf(contact->contact), contact->position);
    }
    return MessageResult::Handled();
}

MessageResult ContactReader::OnTouch(WPARAM wParam, LPARAM lParam) {
    const bool read = ReadTouchMessage(window_, wParam, lParam, [this](const TouchPoint& p) {
        handlers_.contact(p.flags, p.position);
    });
    return read ? MessageResult::Handled() : MessageResult::Default();
}

MessageResult ContactReader::OnLButtonDown(LPARAM lParam) {
    if (FromTouchOrPen()) {
        return MessageResult::Default();
    }
    // The contact lasts until the button is released, even if the capture goes to another
    // window on the way (activation moving elsewhere takes it): moves still need the button.
    mouseDown_ = true;
    SetCapture(window_);
    handlers_.contact(TOUCH_FLAG_DOWN, MousePosition(lParam));
    return MessageResult::Handled();
}

MessageResult ContactReader::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    if (!mouseDown_ || (wParam & MK_LBUTTON) == 0 || FromTouchOrPen()) {
        return MessageResult::Default();
    }
    handlers_.contact(TOUCH_FLAG_MOVE, MousePosition(lParam));
    return MessageResult::Handled();
}

MessageResult ContactReader::OnLButtonUp(LPARAM lParam) {
    if (!mouseDown_ || FromTouchOrPen()) {
        return MessageResult::Default();
    }
    mouseDown_ = false;
    ReleaseCapture();
    handlers_.contact(TOUCH_FLAG_UP, MousePosition(lParam));
    return MessageResult::Handled();
}

}  // namespace norvessa::win32
