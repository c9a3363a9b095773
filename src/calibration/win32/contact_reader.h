#pragma once
// A full-screen window's contacts from its messages: WM_POINTER (finger and pen) first,
// WM_TOUCH where pointer input is not offered, the left mouse button last (a mouse press is a
// finger). Each becomes a down, move or up at a position in the window's client pixels, or a
// cancel when the system took the contact away. Shared by the calibration window, the check
// window and the covers of the other monitors.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "calibration/calibration_run.h"
#include "ui/win32/message_map.h"

namespace norvessa::win32 {

struct ContactHandlers {
    std::function<void(std::uint32_t flags, SamplePoint position)> contact;
    std::function<void()> cancelled;
};

class ContactReader {
  public:
    explicit ContactReader(ContactHandlers handlers) : handlers_(std::move(handlers)) {}
    ~ContactReader() { Stop(); }
    ContactReader(const ContactReader&) = delete;
    ContactReader& operator=(const ContactReader&) = delete;

    // Once the window exists: asks for WM_TOUCH where pointer input is not offered.
    void Start(HWND window);
    // Ends the touch registration; no contact is read afterwards.
    void Stop();

    // Answers the contact messages; none for every other message.
    std::optional<MessageResult> Handle(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    MessageResult OnPointer(UINT message, WPARAM wParam);
    MessageResult OnTouch(WPARAM wParam, LPARAM lParam);
    MessageResult OnLButtonDown(LPARAM lParam);
    MessageResult OnMouseMove(WPARAM wParam, LPARAM lParam);
    MessageResult OnLButtonUp(LPARAM lParam);

    ContactHandlers handlers_;
    HWND window_ = nullptr;
    bool touchRegistered_ = false;
    bool mouseDown_ = false;
};

}  // namespace norvessa::win32
