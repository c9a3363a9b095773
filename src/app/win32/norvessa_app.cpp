#include "app/win32/norvessa_app.h"

#include <commctrl.h>

namespace norvessa::win32 {

static_assert(sizeof(INITCOMMONCONTROLSEX) == 8);
static_assert(ICC_WIN95_CLASSES == 0xFF);

CNorvessaApp::CNorvessaApp(MainDialogOptions options) : options_(std::move(options)) {
    SetRestartManagerSupport(RESTART_SUPPORT_RESTART);
}

BOOL CNorvessaApp::InitInstance() {
    // Version 6 of the common controls (see the manifest) draws the buttons; register the
    // classic control classes with it.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    CApplication::InitInstance();

    // No control container, shell manager or registry key is set up: the program hosts no
    // ActiveX or shell-namespace controls and reads and writes no settings.

    CNorvessaDlg dialog(nullptr, options_);
    dialog.DoModal();

    // The modal run was the whole program: end it instead of entering a message loop.
    return FALSE;
}

}  // namespace norvessa::win32
