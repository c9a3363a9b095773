#pragma once
// The About box: icon, name and version, and an OK button. Its framework defaults (OK and
// Escape end it) are all it needs.

#include "ui/win32/modal_dialog.h"

namespace norvessa::win32 {

class CAboutDlg : public CModalDialog {
  public:
    explicit CAboutDlg(HWND parent);
};

}  // namespace norvessa::win32
