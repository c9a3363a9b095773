#include "calibration/win32/calibration_dialog.h"

#include <windowsx.h>

#include <algorithm>

#include "calibration/win32/calibration_monitor.h"
#include "calibration/win32/pointer_input.h"
#include "controller/win32/controller_state.h"
#include "controller/win32/device_gone.h"
#include "protocol/win32/exchange_start.h"
#include "protocol/win32/frame_io.h"
#include "resource.h"
#include "ui/win32/app_messages.h"
#include "ui/win32/message_box.h"
#include "ui/win32/paint_context.h"

namespace norvessa::win32 {

namespace {

constexpr wchar_t DIALOG_CLASS[] = L"#32770";
constexpr UINT_PTR SAMPLING_TIMER = 1;
constexpr UINT_PTR TIMEOUT_TIMER = 2;

std::int64_t TickNow() {
    return static_cast<std::int64_t>(GetTickCount64());
}

// When the message being handled was queued: events that waited behind a busy thread keep
// the time the contact really made them.
std::int64_t CurrentMessageTime() {
    return MessageTimeOnTickClock(static_cast<DWORD>(GetMessageTime()), GetTickCount64());
}

bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

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
        {WM_POINTERDOWN, &CMyDialog::OnPointerDown},
        {WM_POINTERUPDATE, &CMyDialog::OnPointerUpdate},
        {WM_POINTERUP, &CMyDialog::OnPointerUp},
        {WM_POINTERCAPTURECHANGED, &CMyDialog::OnPointerCaptureChanged},
        {WM_TIMER, &CMyDialog::OnTimer},
    };
    static constexpr MessageMap<CMyDialog> map{messages, {}};
    return map;
}

CMyDialog::CMyDialog(double pointCount, HWND owner, FingerHook fingerHook, std::int64_t timeoutMs,
                     CancelFunction writeCancel)
    : CModalDialog(IDD_CALIBRATION_DIALOG, owner),
      run_(pointCount),
      owner_(owner),
      fingerHook_(std::move(fingerHook)),
      write_(false, writeCancel),
      timeout_(timeoutMs) {}

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
    // Pointer input, where offered, comes unasked and goes first; WM_TOUCH is for systems
    // without it. Both fail under Wine (no touch support): the mouse source works all the same.
    if (!PointerInputOffered()) {
        touchRegistered_ = RegisterTouchWindow(GetSafeHwnd(), 0) != FALSE;
    }
    guidance_.Prepare(GetSafeHwnd(), resources(), run_);
    // Set before the first request: a controller found gone on the way ends the run through it.
    SetControllerReleasingHandler([this] { OnControllerReleasing(); });
    releasingHandlerSet_ = true;
    // A reply left over from before this run (a late reset answer, a verdict of a run ended
    // early), or one still to come for a write an earlier exchange gave up on, must not be
    // taken as this run's verdict.
    switch (StartExchange(g_writeDevice.handle, g_readDevice.handle)) {
        case ExchangeStart::Ready:
            break;
        case ExchangeStart::NotResponding:
            ending_ = true;
            EndDialog(NOT_RESPONDING);
            return FALSE;
        case ExchangeStart::ControllerGone:
            OnCurrentControllerGone();
            break;
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
    timeout_.Start(TickNow());
    ArmTimeoutTimer();
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
    // Painted only where something changed or the window was uncovered: no repaint loop.
    PaintContext paint(GetSafeHwnd());
    guidance_.Paint(paint.dc(), run_, shownCountdown_);
    return MessageResult::Handled();
}

MessageResult CMyDialog::OnPointerDown(WPARAM wParam, LPARAM) {
    return OnPointer(WM_POINTERDOWN, wParam);
}

MessageResult CMyDialog::OnPointerUpdate(WPARAM wParam, LPARAM) {
    return OnPointer(WM_POINTERUPDATE, wParam);
}

MessageResult CMyDialog::OnPointerUp(WPARAM wParam, LPARAM) {
    return OnPointer(WM_POINTERUP, wParam);
}

MessageResult CMyDialog::OnPointerCaptureChanged(WPARAM, LPARAM) {
    // Another window took the finger's or the pen's pointer: its lift-off will not come here.
    // Pointer messages reach this window from fingers and pens only (no mouse in pointer).
    OnContactCancelled();
    return MessageResult::Handled();
}

MessageResult CMyDialog::OnPointer(UINT message, WPARAM wParam) {
    // Handled, a finger's or a pen's pointer message is not turned into touch or mouse input
    // as well; anything else (a mouse, a hovering pen) takes the default way.
    const std::optional<ContactEvent> contact = ReadPointerMessage(GetSafeHwnd(), message, wParam);
    if (!contact) {
        return MessageResult::Default();
    }
    if (contact->contact == PointerContact::Cancelled) {
        OnContactCancelled();
    } else {
        OnTouchInput(TouchFlagOf(contact->contact), contact->position);
    }
    return MessageResult::Handled();
}

MessageResult CMyDialog::OnTimer(WPARAM wParam, LPARAM) {
    if (wParam == SAMPLING_TIMER) {
        OnSamplingTick();
    } else if (wParam == TIMEOUT_TIMER) {
        OnTimeoutTick();
    } else {
        return MessageResult::Default();
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
    const std::uint32_t targetBefore = run_.currentTarget();
    const bool downBefore = run_.contactDown();
    const int progressBefore = run_.HoldProgress();
    const LiftOffRefusal refusalBefore = run_.lastRefusal();
    const TouchOutcome outcome =
        run_.OnTimedTouchInput(flags, position.x, position.y, CurrentMessageTime());
    if (outcome.frameToSend) {
        SendFrameAndWait(*outcome.frameToSend);
    }
    UpdateSamplingTimer();
    if (run_.contactDown() != downBefore) {
        timeout_.SetContactDown(run_.contactDown(), TickNow());
    }
    if (outcome.accepted && run_.AllTargetsAccepted()) {
        timeout_.LastTargetAccepted(TickNow());
    }
    ArmTimeoutTimer();
    InvalidateChanges(targetBefore, downBefore, progressBefore, refusalBefore);
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

void CMyDialog::OnContactCancelled() {
    if (!run_.contactDown()) {
        return;
    }
    // Nothing is accepted; the hold cue goes, the timers stop, the time-out runs again.
    run_.CancelContact();
    UpdateSamplingTimer();
    timeout_.SetContactDown(false, TickNow());
    ArmTimeoutTimer();
    Invalidate(guidance_.TargetAreaOf(run_, run_.currentTarget()));
    if (fingerHook_.up) {
        fingerHook_.up();
    }
}

void CMyDialog::InvalidateChanges(std::uint32_t targetBefore, bool downBefore, int progressBefore,
                                  LiftOffRefusal refusalBefore) {
    const bool targetChanged = run_.currentTarget() != targetBefore;
    if (targetChanged) {
        Invalidate(guidance_.TargetAreaOf(run_, targetBefore));
    }
    if (targetChanged || run_.contactDown() != downBefore ||
        run_.HoldProgress() != progressBefore) {
        Invalidate(guidance_.TargetAreaOf(run_, run_.currentTarget()));
    }
    if (targetChanged || run_.lastRefusal() != refusalBefore) {
        Invalidate(guidance_.TextArea());
    }
}

void CMyDialog::Invalidate(const RECT& area) {
    if (!SameRect(area, RECT{})) {
        InvalidateRect(GetSafeHwnd(), &area, TRUE);
    }
}

void CMyDialog::UpdateSamplingTimer() {
    // Once the hold cue is full, further samples of the same place change nothing the window
    // shows, and the next event catches up on them: the timer rests until a move or a lift.
    const bool wanted = run_.contactDown() && run_.HoldProgress() < HOLD_PROGRESS_FULL;
    if (wanted && !samplingTimerSet_) {
        samplingTimerSet_ = SetTimer(GetSafeHwnd(), SAMPLING_TIMER,
                                     static_cast<UINT>(SAMPLE_INTERVAL_MS), nullptr) != 0;
    } else if (!wanted && samplingTimerSet_) {
        KillTimer(GetSafeHwnd(), SAMPLING_TIMER);
        samplingTimerSet_ = false;
    }
}

void CMyDialog::OnSamplingTick() {
    if (run_.contactDown() && run_.SampleHeldContact(TickNow())) {
        Invalidate(guidance_.TargetAreaOf(run_, run_.currentTarget()));
    }
    UpdateSamplingTimer();
}

void CMyDialog::ArmTimeoutTimer() {
    const std::int64_t now = TickNow();
    const std::optional<std::int64_t> countdown = timeout_.CountdownSeconds(now);
    if (countdown != shownCountdown_) {
        shownCountdown_ = countdown;
        Invalidate(guidance_.TextArea());
    }
    const std::optional<std::int64_t> next = timeout_.NextChange(now);
    if (!next || ending_ || showingVerdict_) {
        KillTimer(GetSafeHwnd(), TIMEOUT_TIMER);
        return;
    }
    // Setting the timer again replaces it: one timer, due at the next change only.
    SetTimer(GetSafeHwnd(), TIMEOUT_TIMER,
             static_cast<UINT>(std::max<std::int64_t>(*next - now, 1)), nullptr);
}

void CMyDialog::OnTimeoutTick() {
    if (timeout_.TimedOut(TickNow()) && !ending_ && !showingVerdict_) {
        KillTimer(GetSafeHwnd(), TIMEOUT_TIMER);
        // As Escape ends it; the main dialog says why.
        EndCalibration(TIMED_OUT);
        return;
    }
    ArmTimeoutTimer();
}

MessageResult CMyDialog::OnVerdict(WPARAM wParam, LPARAM lParam) {
    // The listener has posted its one message and is ending: join it first.
    listener_.Stop();
    KillTimer(GetSafeHwnd(), TIMEOUT_TIMER);
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
    if (GetSafeHwnd() != nullptr) {
        KillTimer(GetSafeHwnd(), SAMPLING_TIMER);
        KillTimer(GetSafeHwnd(), TIMEOUT_TIMER);
        samplingTimerSet_ = false;
    }
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
