#include "calibration/win32/calibration_dialog.h"

#include <windowsx.h>

#include "app_messages.h"
#include "calibration/win32/calibration_monitor.h"
#include "controller/win32/controller_state.h"
#include "controller/win32/device_gone.h"
#include "message_box.h"
#include "paint_context.h"
#include "protocol/win32/frame_io.h"
#include "protocol/win32/input_flush.h"
#include "resource.h"

namespace norvessa::win32 {

namespace {

constexpr wchar_t DIALOG_CLASS[] = L"#32770";

SamplePoint MousePosition(LPARAM lParam) {
    // Client coordinates, signed: a captured mouse may leave the window.
    return SamplePoint{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

bool FromTouchOrPen() {
    return IsSynthesizedFromTouchOrPen(GetMessageExtraInfo());
}

}  // namespace

const MessageMap<CMyDialog>& CMyDialog::GetMessageMap() {
    static constexpr MessageEntry<CMyDialog> messages[] = {
        {WM_PAINT, &CMyDialog::OnPaint},
        {WM_DESTROY, &CMyDialog::OnDestroy},
        {WM_CLOSE_CALIBRATION, &CMyDialog::OnCloseCalibration},
        {WM_CALIBRATION_VERDICT, &CMyDialog::OnVerdict},
        {WM_TOUCH, &CMyDialog::OnTouch},
        {WM_LBUTTONDOWN, &CMyDialog::OnLButtonDown},
        // The dialog class asks for double clicks: a second press soon after a first at the
        // same place arrives as one, and is a touch-down all the same.
        {WM_LBUTTONDBLCLK, &CMyDialog::OnLButtonDown},
        {WM_MOUSEMOVE, &CMyDialog::OnMouseMove},
        {WM_LBUTTONUP, &CMyDialog::OnLButtonUp},
        {WM_GETMINMAXINFO, &CMyDialog::OnGetMinMaxInfo},
    };
    static constexpr MessageMap<CMyDialog> map{messages, {}};
    return map;
}

CMyDialog::CMyDialog(double pointCount, HWND owner, FingerHook fingerHook)
    : CModalDialog(IDD_CALIBRATION_DIALOG, owner),
      run_(pointCount),
      owner_(owner),
      fingerHook_(std::move(fingerHook)) {}

CMyDialog::~CMyDialog() {
    // Normally done when the window went; a dialog whose window never came still tidies up.
    listener_.Stop();
    if (releasingHandlerSet_) {
        SetControllerReleasingHandler(nullptr);
    }
}

std::optional<MessageResult> CMyDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto answer = DispatchMessageMap(*this, GetMessageMap(), message, wParam, lParam)) {
        return answer;
    }
    return CModalDialog::OnMessage(message, wParam, lParam);
}

BOOL CMyDialog::OnInitDialog() {
    CModalDialog::OnInitDialog();
    // The frames carry the covered monitor's own size and positions from its top-left corner.
    monitor_ = CalibrationMonitor(GetWindow(GetSafeHwnd(), GW_OWNER));
    if (run_.Begin(monitor_.width, monitor_.height) != LayoutResult::Ok) {
        // A count without a layout, or a screen too small for one: nothing is sent or shown.
        ending_ = true;
        EndDialog(-1);
        return FALSE;
    }
    // Fails under Wine (no touch support); the mouse source works all the same.
    touchRegistered_ = RegisterTouchWindow(GetSafeHwnd(), 0) != FALSE;
    // Set before the first request: a controller found gone on the way ends the run through it.
    SetControllerReleasingHandler([this] { OnControllerReleasing(); });
    releasingHandlerSet_ = true;
    // A reply left over from before this run (a late reset answer, a verdict of a run ended
    // early) must not be taken as this run's verdict.
    if (DiscardQueuedInput(g_readDevice.handle) == FlushResult::DeviceGone) {
        OnCurrentControllerGone();
    }
    for (const CalibrationFrame& frame : run_.OpeningFrames()) {
        if (ending_) {
            return FALSE;
        }
        SendFrameAndWait(frame);
    }
    if (ending_) {
        return FALSE;
    }
    CoverMonitor();
    listener_.Start(g_readDevice.handle, GetSafeHwnd(), WM_CALIBRATION_VERDICT);
    return TRUE;
}

void CMyDialog::SendFrameAndWait(const CalibrationFrame& frame) {
    // Nothing is retried; a write that did not finish in time has been cancelled, so the record
    // is free for the next frame. A controller found gone is released as a removal would be,
    // which ends this run through the releasing handler.
    if (SendFrame(frame, write_) == WriteStatus::Gone) {
        OnCurrentControllerGone();
    }
}

void CMyDialog::CoverMonitor() {
    // The restored place is the whole monitor too: a window manager that leaves the maximised
    // size to the window (or none at all, as under Wine on a bare X server) still shows it so.
    // Placed there first, the window also maximises on that monitor.
    SetWindowPos(GetSafeHwnd(), nullptr, monitor_.x, monitor_.y, monitor_.width, monitor_.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(GetSafeHwnd(), SW_MAXIMIZE);
}

MessageResult CMyDialog::OnGetMinMaxInfo(WPARAM, LPARAM lParam) {
    if (!run_.started()) {
        return MessageResult::Default();
    }
    // The whole monitor, not its work area: the taskbar would hide targets. The position is
    // taken relative to the monitor the window maximises on.
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMaxPosition = POINT{0, 0};
    info->ptMaxSize = POINT{run_.screenWidth(), run_.screenHeight()};
    info->ptMaxTrackSize = info->ptMaxSize;
    return MessageResult::Handled();
}

MessageResult CMyDialog::OnPaint(WPARAM, LPARAM) {
    // Painted only when the cross moves or the window is uncovered: no repaint loop.
    PaintContext paint(GetSafeHwnd());
    if (const std::optional<SamplePoint> cross = run_.CurrentCross()) {
        MoveToEx(paint.dc(), cross->x - CROSS_ARM, cross->y, nullptr);
        LineTo(paint.dc(), cross->x + CROSS_ARM, cross->y);
        MoveToEx(paint.dc(), cross->x, cross->y - CROSS_ARM, nullptr);
        LineTo(paint.dc(), cross->x, cross->y + CROSS_ARM);
    }
    return MessageResult::Handled();
}

MessageResult CMyDialog::OnTouch(WPARAM wParam, LPARAM lParam) {
    const bool read = ReadTouchMessage(GetSafeHwnd(), wParam, lParam, [this](const TouchPoint& p) {
        OnTouchInput(p.flags, p.position);
    });
    return read ? MessageResult::Handled() : MessageResult::Default();
}

MessageResult CMyDialog::OnLButtonDown(WPARAM, LPARAM lParam) {
    if (FromTouchOrPen()) {
        return MessageResult::Default();
    }
    // The contact lasts until the button is released, even if the capture goes to another
    // window on the way (activation moving elsewhere takes it): moves still need the button.
    mouseDown_ = true;
    SetCapture(GetSafeHwnd());
    OnTouchInput(TOUCH_FLAG_DOWN, MousePosition(lParam));
    return MessageResult::Handled();
}

MessageResult CMyDialog::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    if (!mouseDown_ || (wParam & MK_LBUTTON) == 0 || FromTouchOrPen()) {
        return MessageResult::Default();
    }
    OnTouchInput(TOUCH_FLAG_MOVE, MousePosition(lParam));
    return MessageResult::Handled();
}

MessageResult CMyDialog::OnLButtonUp(WPARAM, LPARAM lParam) {
    if (!mouseDown_ || FromTouchOrPen()) {
        return MessageResult::Default();
    }
    mouseDown_ = false;
    ReleaseCapture();
    OnTouchInput(TOUCH_FLAG_UP, MousePosition(lParam));
    return MessageResult::Handled();
}

void CMyDialog::OnTouchInput(std::uint32_t flags, SamplePoint position) {
    const TouchOutcome outcome = run_.OnTouchInput(flags, position.x, position.y);
    if (outcome.frameToSend) {
        SendFrameAndWait(*outcome.frameToSend);
    }
    if (outcome.repaint) {
        InvalidateRect(GetSafeHwnd(), nullptr, TRUE);
    }
    if ((flags & TOUCH_FLAG_DOWN) != 0) {
        if (fingerHook_.down) {
            fingerHook_.down();
        }
    } else if ((flags & TOUCH_FLAG_MOVE) == 0 && (flags & TOUCH_FLAG_UP) != 0) {
        if (fingerHook_.up) {
            fingerHook_.up();
        }
    }
}

MessageResult CMyDialog::OnVerdict(WPARAM wParam, LPARAM lParam) {
    // The listener has posted its one message and is ending: join it first.
    listener_.Stop();
    if (ending_) {
        return MessageResult::Handled();
    }
    if (wParam == VerdictListener::READ_FAILED) {
        OnListenerFailed(static_cast<DWORD>(lParam));
        return MessageResult::Handled();
    }
    const bool success = wParam == VerdictListener::SUCCESS;
    showingVerdict_ = true;
    const int answer =
        success ? ShowMessageBox(GetSafeHwnd(), resources(), IDS_CALIBRATION_SUCCEED, MB_OK)
                : ShowMessageBox(GetSafeHwnd(), resources(), IDS_CALIBRATION_FAILED,
                                 MB_YESNO | MB_ICONINFORMATION);
    showingVerdict_ = false;
    succeeded_ = success;
    if (ending_) {
        return MessageResult::Handled();  // the controller went away meanwhile: no retry
    }
    if (success || answer == IDYES || answer == IDNO) {
        PostMessageW(GetSafeHwnd(), WM_CLOSE_CALIBRATION, 0, 0);
    }
    if (!success && answer == IDYES) {
        // Posted after the close, so this window has ended before the next one starts.
        retrying_ = true;
        PostMessageW(owner_, WM_START_CALIBRATION, 0, run_.TruncatedPointCount());
    }
    return MessageResult::Handled();
}

void CMyDialog::OnListenerFailed(DWORD error) {
    // No verdict can come any more: the run ends. A controller that has gone is released as a
    // removal would release it (the releasing handler ends the run); otherwise it stays current
    // and the buttons stay as they are.
    if (IsDeviceGoneError(error)) {
        OnCurrentControllerGone();
    }
    if (!ending_) {
        EndCalibration(IDABORT);
    }
}

MessageResult CMyDialog::OnCloseCalibration(WPARAM, LPARAM) {
    EndCalibration(0);
    return MessageResult::Handled(0);
}

MessageResult CMyDialog::OnDestroy(WPARAM, LPARAM) {
    StopListenerAndTouch();
    if (releasingHandlerSet_) {
        SetControllerReleasingHandler(nullptr);
        releasingHandlerSet_ = false;
    }
    return MessageResult::Default();
}

void CMyDialog::EndCalibration(INT_PTR result) {
    ending_ = true;
    StopListenerAndTouch();
    EndDialog(result);
}

void CMyDialog::StopListenerAndTouch() {
    listener_.Stop();
    if (touchRegistered_) {
        UnregisterTouchWindow(GetSafeHwnd());
        touchRegistered_ = false;
    }
}

void CMyDialog::OnControllerReleasing() {
    // Called while the handle is still open: the listener's read is cancelled and collected
    // before the link closes it.
    if (showingVerdict_) {
        DismissVerdictBox();
    }
    EndCalibration(IDABORT);
}

void CMyDialog::DismissVerdictBox() {
    struct Search {
        HWND owner;
        HWND box;
    } search{GetSafeHwnd(), nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t className[16] = {};
            GetClassNameW(hwnd, className, 16);
            if (GetWindow(hwnd, GW_OWNER) == s->owner && lstrcmpW(className, DIALOG_CLASS) == 0) {
                s->box = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.box != nullptr) {
        ::EndDialog(search.box, IDNO);
    }
}

}  // namespace norvessa::win32
