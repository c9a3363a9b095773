#include "norvessa_dlg.h"

#include "about_dlg.h"
#include "paint_context.h"
#include "resource.h"
#include "resource_string.h"
#include "system_menu.h"

namespace norvessa::win32 {

namespace {

constexpr UINT SYSTEM_COMMAND_MASK = 0xFFF0;

}  // namespace

const MessageMap<CNorvessaDlg>& CNorvessaDlg::GetMessageMap() {
    // Bindings in the order the dialog declares them. The calibration buttons, Reset,
    // WM_DEVICECHANGE, WM_DESTROY and WM_START_CALIBRATION join these tables with the
    // controller link and the calibration dialog.
    static constexpr MessageEntry<CNorvessaDlg> messages[] = {
        {WM_SYSCOMMAND, &CNorvessaDlg::OnSysCommand},
        {WM_PAINT, &CNorvessaDlg::OnPaint},
        {WM_QUERYDRAGICON, &CNorvessaDlg::OnQueryDragIcon},
    };
    static constexpr CommandEntry<CNorvessaDlg> commands[] = {
        {IDC_QUIT, BN_CLICKED, &CNorvessaDlg::OnBnClickedQuit},
    };
    static constexpr MessageMap<CNorvessaDlg> map{messages, commands};
    return map;
}

CNorvessaDlg::CNorvessaDlg(HWND parent)
    : CModalDialog(IDD_NORVESSA_DIALOG, parent),
      m_hIcon(LoadIconW(resources(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

std::optional<MessageResult> CNorvessaDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto answer = DispatchMessageMap(*this, GetMessageMap(), message, wParam, lParam)) {
        return answer;
    }
    return CModalDialog::OnMessage(message, wParam, lParam);
}

BOOL CNorvessaDlg::OnInitDialog() {
    CModalDialog::OnInitDialog();
    AddAboutEntry();
    SendMessageW(GetSafeHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(GetSafeHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    return SetUpControllerLink();
}

void CNorvessaDlg::AddAboutEntry() {
    HMENU systemMenu = GetSystemMenu(GetSafeHwnd(), FALSE);
    if (systemMenu != nullptr) {
        AppendAboutEntry(systemMenu, IDM_ABOUTBOX, LoadResourceString(resources(), IDS_ABOUTBOX));
    }
}

BOOL CNorvessaDlg::SetUpControllerLink() {
    // The controller link plugs in here; until then the buttons stay as the template has them.
    return TRUE;
}

MessageResult CNorvessaDlg::OnSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & SYSTEM_COMMAND_MASK) != IDM_ABOUTBOX) {
        return MessageResult::Default();
    }
    CAboutDlg about(GetSafeHwnd());
    about.DoModal();
    return MessageResult::Handled();
}

MessageResult CNorvessaDlg::OnPaint(WPARAM, LPARAM) {
    if (!IsIconic(GetSafeHwnd())) {
        return MessageResult::Default();
    }
    PaintIconWhileMinimised();
    return MessageResult::Handled();
}

void CNorvessaDlg::PaintIconWhileMinimised() {
    PaintContext paint(GetSafeHwnd());
    SendMessageW(GetSafeHwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.dc()), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client{};
    GetClientRect(GetSafeHwnd(), &client);
    // Signed division truncates toward zero, also when the client is smaller than the icon.
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(paint.dc(), x, y, m_hIcon);
}

MessageResult CNorvessaDlg::OnQueryDragIcon(WPARAM, LPARAM) {
    return MessageResult::Handled(reinterpret_cast<LRESULT>(m_hIcon));
}

void CNorvessaDlg::OnBnClickedQuit() {
    // Quit, Escape and the Close command all arrive here and end the process on the spot:
    // no clean-up runs and the modal loop never returns.
    TerminateProcess(GetCurrentProcess(), 1);
}

}  // namespace norvessa::win32
