#include "ui/win32/modal_dialog.h"

namespace norvessa::win32 {

namespace {

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
        case WM_CHARTOITEM:
        case WM_COMPAREITEM:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
        case WM_VKEYTOITEM:
            return true;
        default:
            return false;
    }
}

}  // namespace

CModalDialog::CModalDialog(UINT templateId, HWND parent, HINSTANCE resources)
    : templateId_(templateId),
      parent_(parent),
      resources_(resources != nullptr ? resources : GetModuleHandleW(nullptr)) {}

INT_PTR CModalDialog::DoModal() {
    handlerException_ = nullptr;
    const INT_PTR result = DialogBoxParamW(resources_, MAKEINTRESOURCEW(templateId_), parent_,
                                           &DialogProc, reinterpret_cast<LPARAM>(this));
    if (handlerException_) {
        std::rethrow_exception(std::exchange(handlerException_, nullptr));
    }
    return result;
}

void CModalDialog::EndDialog(INT_PTR result) {
    if (hwnd_ != nullptr) {
        ::EndDialog(hwnd_, result);
    }
}

std::optional<MessageResult> CModalDialog::OnMessage(UINT, WPARAM, LPARAM) {
    return std::nullopt;
}

INT_PTR CALLBACK CModalDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CModalDialog*>(lParam);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    }
    auto* self = reinterpret_cast<CModalDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) {
        return FALSE;  // WM_SETFONT and the like arrive before WM_INITDIALOG.
    }
    INT_PTR result = FALSE;
    // Nothing may unwind through the platform's code: keep the exception for DoModal.
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        if (!self->handlerException_) {
            self->handlerException_ = std::current_exception();
        }
        ::EndDialog(hwnd, -1);
        result = (message == WM_INITDIALOG) ? FALSE : TRUE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

INT_PTR CModalDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        return OnInitDialog();
    }
    std::optional<MessageResult> answer = OnMessage(message, wParam, lParam);
    if (!answer && message == WM_COMMAND) {
        answer = DispatchDefaultCommands(wParam);
    }
    if (!answer || !answer->handled()) {
        return FALSE;
    }
    if (ReturnsResultDirectly(message)) {
        return static_cast<INT_PTR>(answer->value());
    }
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, answer->value());
    return TRUE;
}

std::optional<MessageResult> CModalDialog::DispatchDefaultCommands(WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return std::nullopt;
    }
    switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return MessageResult::Handled();
        case IDCANCEL:
            OnCancel();
            return MessageResult::Handled();
        default:
            return std::nullopt;
    }
}

}  // namespace norvessa::win32
