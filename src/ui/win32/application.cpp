#include "ui/win32/application.h"

#include "ui/win32/modal_dialog.h"

namespace norvessa::win32 {

CApplication* CApplication::current_ = nullptr;

CApplication::CApplication() {
    if (current_ == nullptr) {
        current_ = this;
    }
}

CApplication::~CApplication() {
    if (current_ == this) {
        current_ = nullptr;
    }
}

HWND CApplication::GetMainWindowHandle() const {
    return mainWindow_ != nullptr ? mainWindow_->GetSafeHwnd() : nullptr;
}

int CApplication::Run() {
    if (InitInstance()) {
        MSG message{};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        exitCode_ = static_cast<int>(message.wParam);
    }
    return ExitInstance();
}

BOOL CApplication::InitInstance() {
    if ((restartSupportFlags_ & RESTART_SUPPORT_RESTART) != 0) {
        // The program takes no command line, so the restarted instance gets none either.
        RegisterApplicationRestart(nullptr, 0);
    }
    return TRUE;
}

}  // namespace norvessa::win32
