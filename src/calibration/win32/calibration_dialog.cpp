#include "calibration/win32/calibration_dialog.h"

#include "calibration/win32/calibration_monitor.h"
#include "calibration/win32/monitor_window.h"
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

}  // namespace

const MessageMap<CMyDialog>& CMyDialog::GetMessageMap() {
    static constexpr MessageEntry<CMyDialog> messages[] = {
        {WM_PAINT, &CMyDialog::OnPaint},
        {WM_DESTROY, &CMyDialog::OnDestroy},
        {WM_CLOSE_CALIBRATION, &CMyDialog::OnCloseCalibration},
        {WM_CALIBRATION_VERDICT, &CMyDialog::OnVerdict},
        {WM_GETMINMAXINFO, &CMyDialog::OnGetMinMaxInfo},
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
      write_(false, writeCancel),
      input_(run_, guidance_, timeoutMs,
             {.outcome =
                  [this](const TouchOutcome& outcome) {
                      if (outcome.frameToSend) {
                          SendFrameAndWait(*outcome.frameToSend);
                      }
                  },
              .timedOut = [this] { OnTimedOut(); },
              .halted = [this] { return ending_ || showingVerdict_; },
              .finger = std::move(fingerHook)}),
      contacts_({.contact = [this](std::uint32_t flags,
                                   SamplePoint position) { input_.OnContact(flags, position); },
                 .cancelled = [this] { input_.OnContactCancelled(); }}) {}

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
    if (auto answer = contacts_.Handle(message, wParam, lParam)) {
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
    input_.Attach(GetSafeHwnd());
    contacts_.Start(GetSafeHwnd());
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
    input_.StartTimeout();
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
    ShowOverMonitor(GetSafeHwnd(), monitor_);
}

MessageResult CMyDialog::OnGetMinMaxInfo(WPARAM, LPARAM lParam) {
    if (!run_.started()) {
        return MessageResult::Default();
    }
    KeepWholeMonitor(lParam, run_.screenWidth(), run_.screenHeight());
    return MessageResult::Handled();
}

MessageResult CMyDialog::OnPaint(WPARAM, LPARAM) {
    // Painted only where something changed or the window was uncovered: no repaint loop.
    PaintContext paint(GetSafeHwnd());
    guidance_.Paint(paint.dc(), run_, input_.countdown());
    return MessageResult::Handled();
}

MessageResult CMyDialog::OnTimer(WPARAM wParam, LPARAM) {
    if (auto answer = input_.HandleTimer(wParam)) {
        return *answer;
    }
    return MessageResult::Default();
}

void CMyDialog::OnTimedOut() {
    // As Escape ends it; the main dialog says why.
    EndCalibration(TIMED_OUT);
}

MessageResult CMyDialog::OnVerdict(WPARAM wParam, LPARAM lParam) {
    // The listener has posted its one message and is ending: join it first.
    listener_.Stop();
    input_.StopTimeout();
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
    input_.Stop();
    contacts_.Stop();
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
