#pragma once
// Message maps: per-class tables that bind window messages and control notifications to
// handler methods, looked up by the dialog procedure of CModalDialog.

#include <windows.h>

#include <optional>
#include <span>

namespace norvessa::win32 {

// A handler's answer: handled with a result, or "let the platform's default dialog handling
// run" (what a framework handler gets by calling its base class).
class MessageResult {
  public:
    static MessageResult Handled(LRESULT value = 0) { return MessageResult(true, value); }
    static MessageResult Default() { return MessageResult(false, 0); }

    bool handled() const { return handled_; }
    LRESULT value() const { return value_; }

  private:
    MessageResult(bool handled, LRESULT value) : handled_(handled), value_(value) {}
    bool handled_;
    LRESULT value_;
};

// A window message (WM_PAINT, WM_SYSCOMMAND, a program-defined WM_USER + n, ...).
template <class Owner>
struct MessageEntry {
    UINT message;
    MessageResult (Owner::*handler)(WPARAM wParam, LPARAM lParam);
};

// A WM_COMMAND notification from one control, e.g. {IDCANCEL, BN_CLICKED, &C::OnQuit}.
template <class Owner>
struct CommandEntry {
    WORD controlId;
    WORD notification;
    void (Owner::*handler)();
};

template <class Owner>
struct MessageMap {
    std::span<const MessageEntry<Owner>> messages;
    std::span<const CommandEntry<Owner>> commands;
};

// Calls the handler that map binds to the message; nullopt when the map has none.
template <class Owner>
std::optional<MessageResult> DispatchMessageMap(Owner& owner, const MessageMap<Owner>& map,
                                                UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        const WORD controlId = LOWORD(wParam);
        const WORD notification = HIWORD(wParam);
        for (const auto& entry : map.commands) {
            if (entry.controlId == controlId && entry.notification == notification) {
                (owner.*entry.handler)();
                return MessageResult::Handled();
            }
        }
    }
    for (const auto& entry : map.messages) {
        if (entry.message == message) {
            return (owner.*entry.handler)(wParam, lParam);
        }
    }
    return std::nullopt;
}

}  // namespace norvessa::win32
