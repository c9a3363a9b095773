#pragma once
// CMyDialog: the full-screen window in which one calibration runs, from the first cross to the
// controller's verdict. It feeds every contact (pointer input, else WM_TOUCH, and the left
// mouse button) to the run with its time, samples a held contact on a short timer that runs
// only while a contact is down, sends the run's frames, draws the cross with the guidance and
// the hold cue, ends the run when nobody touches it for a while, and shows the verdict that
// its listener posts. Every way out stops the listener before the window ends.

#include <windows.h>

#include <cstdint>
#include <functional>

#include "calibration/calibration_run.h"
#include "calibration/monitor_choice.h"
#include "calibration/run_timeout.h"
#include "calibration/win32/contact_reader.h"
#include "calibration/win32/guidance_painter.h"
#include "calibration/win32/run_input.h"
#include "protocol/win32/overlapped_io.h"
#include "protocol/win32/verdict_listener.h"
#include "ui/win32/message_map.h"
#include "ui/win32/modal_dialog.h"

namespace norvessa::win32 {

class CMyDialog : public CModalDialog {
  public:
    // `owner` is the main dialog: it is disabled while the calibration runs and is sent the
    // retry request.
    // `timeoutMs`: how long the window waits for a contact, or for the verdict after the last
    // target, before it ends the run. `writeCancel`: how a frame's write that did not finish in
    // time is cancelled (the tests put in one that never cancels).
    CMyDialog(double pointCount, HWND owner, FingerHook fingerHook = {},
              std::int64_t timeoutMs = RUN_TIMEOUT_MS, CancelFunction writeCancel = &::CancelIoEx);
    ~CMyDialog() override;

    const CalibrationRun& run() const { return run_; }
    // The verdict was success; a failure was answered with a retry.
    bool succeeded() const { return succeeded_; }
    bool retrying() const { return retrying_; }

    // Private message by which the listener hands over its verdict (wParam: SUCCESS/FAILURE).
    static constexpr UINT WM_CALIBRATION_VERDICT = WM_APP + 1;
    // What DoModal returns when the run ended because nobody touched it in time.
    static constexpr INT_PTR TIMED_OUT = IDTIMEOUT;
    // What DoModal returns when the run could not start: a write of an earlier exchange was
    // still pending in the system. The window never showed and nothing was sent. Distinct from
    // every command ID.
    static constexpr INT_PTR NOT_RESPONDING = IDTIMEOUT + 1;

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override { EndCalibration(IDOK); }
    void OnCancel() override { EndCalibration(IDCANCEL); }
    std::optional<MessageResult> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    MessageResult OnPaint(WPARAM wParam, LPARAM lParam);
    MessageResult OnDestroy(WPARAM wParam, LPARAM lParam);
    MessageResult OnCloseCalibration(WPARAM wParam, LPARAM lParam);
    MessageResult OnVerdict(WPARAM wParam, LPARAM lParam);
    MessageResult OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);
    MessageResult OnTimer(WPARAM wParam, LPARAM lParam);

    void OnListenerFailed(DWORD error);
    void OnTimedOut();
    void SendFrameAndWait(const CalibrationFrame& frame);
    // Maximised, the window covers the whole primary screen, so client pixels are screen pixels.
    void CoverMonitor();
    // Stops the listener, ends the touch registration and ends the modal run.
    void EndCalibration(INT_PTR result);
    void StopListenerAndTouch();
    // The controller is about to be closed: end at once, before its handle goes.
    void OnControllerReleasing();
    void DismissVerdictBox();

    static const MessageMap<CMyDialog>& GetMessageMap();

    bool succeeded_ = false;
    bool retrying_ = false;

    CalibrationRun run_;
    PixelRect monitor_;  // the covered monitor on the desktop, physical pixels
    HWND owner_;
    OverlappedOperation write_;
    VerdictListener listener_;
    GuidancePainter guidance_;
    RunInput input_;
    ContactReader contacts_;
    bool ending_ = false;
    bool showingVerdict_ = false;
    bool releasingHandlerSet_ = false;
};

}  // namespace norvessa::win32
