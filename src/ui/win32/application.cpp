#include "ui/win32/application.h"

namespace norvessa::win32 {

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
