#include "app/win32/about_dlg.h"

#include "resource.h"

namespace norvessa::win32 {

CAboutDlg::CAboutDlg(HWND parent) : CModalDialog(IDD_ABOUTBOX, parent) {}

}  // namespace norvessa::win32
