#pragma once
// Base of every dialog of the application: a modal dialog built from a dialog resource, whose
// dialog procedure hands each message to the derived class's message map.

#include <windows.h>

#include <exception>
#include <optional>
#include <utility>

#include "ui/win32/message_map.h"

namespace norvessa::win32 {

class CModalDialog {
  public:
    // templateId names a dialog resource in `resources` (null: the executable's own).
    explicit CModalDialog(UINT templateId, HWND parent = nullptr, HINSTANCE resources = nullptr);
    virtual ~CModalDialog() = default;
    CModalDialog(const CModalDialog&) = delete;
    CModalDialog& operator=(const CModalDialog&) = delete;

    // Creates the dialog and runs its modal loop; returns the value given to EndDialog, or -1
    // when the dialog could not be created. An exception that a handler threw ends the dialog
    // and is thrown again from here, after the window is gone.
    INT_PTR DoModal();

    // Ends the modal loop once the current message has been handled.
    void EndDialog(INT_PTR result);

    // The dialog's window while it exists, else null.
    HWND GetSafeHwnd() const { return hwnd_; }

  protected:
    // WM_INITDIALOG. TRUE lets the platform give the focus to the first tab stop.
    virtual BOOL OnInitDialog() { return TRUE; }
    // IDOK and IDCANCEL commands that the class's message map does not bind.
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // The class's message map; a derived class answers with DispatchMessageMap on its table
    // and falls back on its base class's OnMessage.
    virtual std::optional<MessageResult> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE resources() const { return resources_; }

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<MessageResult> DispatchDefaultCommands(WPARAM wParam);

    UINT templateId_;
    HWND parent_;
    HINSTANCE resources_;
    HWND hwnd_ = nullptr;
    std::exception_ptr handlerException_;
};

}  // namespace norvessa::win32
