#include "app/win32/norvessa_dlg.h"

#include <memory>
#include <new>

#include "app/win32/about_dlg.h"
#include "app/win32/check_runner.h"
#include "app/win32/status_line_view.h"
#include "app/win32/system_menu.h"
#include "calibration/target_layout.h"
#include "controller/win32/controller_state.h"
#include "protocol/win32/reset_exchange.h"
#include "resource.h"
#include "ui/win32/app_messages.h"
#include "ui/win32/message_box.h"
#include "ui/win32/paint_context.h"
#include "ui/win32/resource_string.h"

namespace norvessa::win32 {

namespace {

constexpr UINT SYSTEM_COMMAND_MASK = 0xFFF0;

}  // namespace

const MessageMap<CNorvessaDlg>& CNorvessaDlg::GetMessageMap() {
    // Bindings in the order the dialog declares them.
    static constexpr MessageEntry<CNorvessaDlg> messages[] = {
        {WM_SYSCOMMAND, &CNorvessaDlg::OnSysCommand},
        {WM_PAINT, &CNorvessaDlg::OnPaint},
        {WM_QUERYDRAGICON, &CNorvessaDlg::OnQueryDragIcon},
        {WM_DEVICECHANGE, &CNorvessaDlg::OnDeviceChange},
        {WM_DESTROY, &CNorvessaDlg::OnDestroy},
        {WM_START_CALIBRATION, &CNorvessaDlg::OnStartCalibration},
        {WM_WINDOWPOSCHANGED, &CNorvessaDlg::OnWindowPosChanged},
        {WM_DISPLAYCHANGE, &CNorvessaDlg::OnDisplayChange},
        {WM_DPICHANGED, &CNorvessaDlg::OnDpiChanged},
        {WM_LBUTTONUP, &CNorvessaDlg::OnLButtonUp},
    };
    static constexpr CommandEntry<CNorvessaDlg> commands[] = {
        {IDC_CALIBRATE_4, BN_CLICKED, &CNorvessaDlg::OnBnClicked4},
        {IDC_CALIBRATE_9, BN_CLICKED, &CNorvessaDlg::OnBnClicked9},
        {IDC_CALIBRATE_16, BN_CLICKED, &CNorvessaDlg::OnBnClicked16},
        {IDC_CALIBRATE_25, BN_CLICKED, &CNorvessaDlg::OnBnClicked25},
        {IDC_RESET, BN_CLICKED, &CNorvessaDlg::OnBnClickedReset},
        {IDC_QUIT, BN_CLICKED, &CNorvessaDlg::OnBnClickedQuit},
        {IDC_CALIBRATE_12, BN_CLICKED, &CNorvessaDlg::OnBnClicked12},
        {IDC_CALIBRATE_15, BN_CLICKED, &CNorvessaDlg::OnBnClicked15},
        {IDC_CALIBRATE_20, BN_CLICKED, &CNorvessaDlg::OnBnClicked20},
    };
    static constexpr MessageMap<CNorvessaDlg> map{messages, commands};
    return map;
}

CNorvessaDlg::CNorvessaDlg(HWND parent, MainDialogOptions options)
    : CModalDialog(IDD_NORVESSA_DIALOG, parent),
      m_hIcon(LoadIconW(resources(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      options_(std::move(options)) {}

std::optional<MessageResult> CNorvessaDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto answer = DispatchMessageMap(*this, GetMessageMap(), message, wParam, lParam)) {
        return answer;
    }
    return CModalDialog::OnMessage(message, wParam, lParam);
}

BOOL CNorvessaDlg::OnInitDialog() {
    CModalDialog::OnInitDialog();
    AddAboutEntry();
    if (!options_.captionSuffix.empty()) {
        const int length = GetWindowTextLengthW(GetSafeHwnd());
        std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
        caption.resize(
            static_cast<std::size_t>(GetWindowTextW(GetSafeHwnd(), caption.data(), length + 1)));
        SetWindowTextW(GetSafeHwnd(), (caption + options_.captionSuffix).c_str());
    }
    SendMessageW(GetSafeHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(GetSafeHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    const BOOL linked = SetUpControllerLink();
    ShowControllerStatus();
    return linked;
}

void CNorvessaDlg::ShowControllerStatus() {
    controllerStatus_ = ControllerStatusText(resources());
    ShowStatusLine(GetSafeHwnd(), resources(), controllerStatus_, checkLinkShown_);
}

void CNorvessaDlg::ShowCoveredMonitor() {
    // Not before the initialisation has put the controller's line up.
    if (!controllerStatus_.empty()) {
        ShowStatusLine(GetSafeHwnd(), resources(), controllerStatus_, checkLinkShown_);
    }
}

MessageResult CNorvessaDlg::OnWindowPosChanged(WPARAM, LPARAM lParam) {
    // Only a move or a resize can bring the window onto another monitor; the default
    // handling still has to run, it sends WM_MOVE and WM_SIZE.
    const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
    if (position == nullptr || (position->flags & (SWP_NOMOVE | SWP_NOSIZE)) !=
                                   static_cast<UINT>(SWP_NOMOVE | SWP_NOSIZE)) {
        ShowCoveredMonitor();
    }
    return MessageResult::Default();
}

MessageResult CNorvessaDlg::OnDisplayChange(WPARAM, LPARAM) {
    // A monitor came or went, or changed its resolution.
    ShowCoveredMonitor();
    return MessageResult::Default();
}

MessageResult CNorvessaDlg::OnDpiChanged(WPARAM, LPARAM) {
    // The default handling then scales the dialog, and that move arrives as
    // WM_WINDOWPOSCHANGED as well.
    ShowCoveredMonitor();
    return MessageResult::Default();
}

void CNorvessaDlg::AddAboutEntry() {
    HMENU systemMenu = GetSystemMenu(GetSafeHwnd(), FALSE);
    if (systemMenu != nullptr) {
        AppendAboutEntry(systemMenu, IDM_ABOUTBOX, LoadResourceString(resources(), IDS_ABOUTBOX));
        AppendCheckEntry(systemMenu, IDM_CHECK_CALIBRATION,
                         LoadResourceString(resources(), IDS_CHECK_MENU));
    }
}

BOOL CNorvessaDlg::SetUpControllerLink() {
    if (options_.setUpControllerLink) {
        return options_.setUpControllerLink(GetSafeHwnd());
    }
    return ::norvessa::SetUpControllerLink(GetSafeHwnd());
}

MessageResult CNorvessaDlg::OnDeviceChange(WPARAM wParam, LPARAM lParam) {
    const BOOL handled = ::norvessa::OnDeviceChange(wParam, lParam);
    if (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) {
        ShowControllerStatus();
    }
    return MessageResult::Handled(handled);
}

MessageResult CNorvessaDlg::OnDestroy(WPARAM, LPARAM) {
    ::norvessa::ReleaseControllerOnDestroy();
    return MessageResult::Default();
}

MessageResult CNorvessaDlg::OnStartCalibration(WPARAM, LPARAM lParam) {
    // Only the seven offered counts have a layout; anything else (0 included) does nothing.
    const auto pointCount = static_cast<std::int32_t>(lParam);
    if (IsSupportedPointCount(static_cast<double>(pointCount))) {
        StartCalibration(pointCount);
    }
    return MessageResult::Handled(0);
}

void CNorvessaDlg::StartCalibration(std::int32_t pointCount) {
    // One calibration at a time: a start that reaches the main dialog while one runs (a
    // message sent to it, a click that slipped through) must not nest a second window.
    if (calibrationRunning_) {
        return;
    }
    // Freed once its run is over: its listener has been joined and its events closed.
    std::unique_ptr<CMyDialog> calibration;
    try {
        calibration = std::make_unique<CMyDialog>(
            static_cast<double>(pointCount), GetSafeHwnd(), options_.fingerHook,
            options_.calibrationTimeoutMs, options_.writeCancel);
    } catch (const std::bad_alloc&) {
        return;  // no calibration: the main dialog stays as it is
    }
    // Cleared however the run ends: DoModal passes on what a handler threw.
    struct RunningFlag {
        explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
        ~RunningFlag() { flag_ = false; }
        RunningFlag(const RunningFlag&) = delete;
        RunningFlag& operator=(const RunningFlag&) = delete;
        bool& flag_;
    } running(calibrationRunning_);
    lastPointCount_ = pointCount;
    const INT_PTR end = calibration->DoModal();
    checkLinkShown_ = checkLinkShown_ || calibration->succeeded();
    // The run may have found the controller gone and released it.
    ShowControllerStatus();
    if (end == CMyDialog::TIMED_OUT) {
        // Nobody touched the screen: say why the window went.
        ShowMessageBox(GetSafeHwnd(), resources(), IDS_CALIBRATION_TIMED_OUT, MB_OK);
    } else if (end == CMyDialog::NOT_RESPONDING) {
        // The window never opened: an earlier write is still stuck on its way to the controller.
        ShowMessageBox(GetSafeHwnd(), resources(), IDS_CONTROLLER_NOT_RESPONDING, MB_OK);
    }
    if (options_.calibrationEnded) {
        options_.calibrationEnded(GetSafeHwnd(), calibration->succeeded(), calibration->retrying(),
                                  end == CMyDialog::NOT_RESPONDING);
    }
}

void CNorvessaDlg::OnBnClickedReset() {
    switch (RunResetExchange(options_.writeCancel)) {
        case ResetOutcome::Succeeded:
            ShowMessageBox(GetSafeHwnd(), resources(), IDS_RESET_SUCCEED, MB_OK);
            break;
        case ResetOutcome::Failed:
        case ResetOutcome::NoReply:
        case ResetOutcome::NotResponding:
            // Silence and a controller that an earlier write still holds fail as a failure
            // verdict does; the buttons stay as the controller's state has them.
            ShowMessageBox(GetSafeHwnd(), resources(), IDS_RESET_FAILED, MB_OK);
            break;
        case ResetOutcome::NoMessage:
            break;
        case ResetOutcome::ControllerGone:
            // No message: the controller is released as its removal would release it, and the
            // status line says so at once rather than when (or whether) the removal is told.
            ::norvessa::OnCurrentControllerGone();
            ShowControllerStatus();
            break;
    }
}

void CNorvessaDlg::StartCheck() {
    if (calibrationRunning_) {
        return;
    }
    CheckRequest request;
    request.options.timeoutMs = options_.calibrationTimeoutMs;
    request.options.pictureShown = options_.checkPictureShown;
    if (RunCheck(GetSafeHwnd(), request).end == CheckEnd::CalibrateAgain) {
        StartCalibration(lastPointCount_ != 0 ? lastPointCount_ : 9);
    }
}

MessageResult CNorvessaDlg::OnLButtonUp(WPARAM, LPARAM lParam) {
    // The status line passes clicks and touches through: the link is a place on it.
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (!checkLinkShown_ || !IsOnCheckLink(GetSafeHwnd(), resources(), controllerStatus_, at)) {
        return MessageResult::Default();
    }
    StartCheck();
    return MessageResult::Handled();
}

MessageResult CNorvessaDlg::OnSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & SYSTEM_COMMAND_MASK) == IDM_CHECK_CALIBRATION) {
        StartCheck();
        return MessageResult::Handled();
    }
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
