#pragma once
// The check of a calibration on the glass: a full-screen window on the checked monitor (chosen
// as a calibration's is) that asks for a touch at each check point exactly as the calibration
// window asks at a target, while every other monitor shows a cover that hands its touches on.
// After the last point it shows the picture of the errors with its buttons. Nothing is sent to
// the controller, so it runs without one.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calibration/calibration_run.h"
#include "calibration/check_result.h"
#include "calibration/run_timeout.h"
#include "calibration/win32/calibration_monitor.h"
#include "calibration/win32/check_picture_painter.h"
#include "calibration/win32/contact_reader.h"
#include "calibration/win32/cover_window.h"
#include "calibration/win32/guidance_painter.h"
#include "calibration/win32/monitor_details.h"
#include "calibration/win32/run_input.h"
#include "ui/win32/message_map.h"
#include "ui/win32/modal_dialog.h"

namespace norvessa::win32 {

struct CheckOptions {
    int points = 5;                      // 5 or 9
    std::optional<Tolerance> tolerance;  // none: 1 % of the diagonal
    bool offerCalibrateAgain = false;    // a controller is current
    std::int64_t timeoutMs = RUN_TIMEOUT_MS;
    // Told when the picture shows (tests wait for it), with the check window.
    std::function<void(HWND)> pictureShown;
};

// How the check window ended.
enum class CheckEnd {
    Done,            // the picture was left with Done, Escape or its time-out
    Cancelled,       // Escape before the last point
    TimedOut,        // nobody touched a point in time
    CalibrateAgain,  // the caller starts a calibration
    NotStarted,      // no monitor or a screen too small for the points: nothing showed
};

class CCheckDialog : public CModalDialog {
  public:
    CCheckDialog(HWND owner, CheckOptions options);
    ~CCheckDialog() override;

    // Runs the window; how it ended.
    CheckEnd Run();

    // The last check's outcome, once its picture showed.
    const std::optional<CheckResult>& result() const { return result_; }
    const NamedMonitor& monitor() const { return monitor_; }
    const MonitorDetails& details() const { return details_; }
    const std::string& diagnosisText() const { return diagnosisText_; }
    const std::string& summaryText() const { return summaryText_; }
    // The picture's buttons, in their order, and how many checks ran.
    std::vector<CheckButton> buttons() const;
    int checksRun() const { return checksRun_; }
    std::size_t trailStrokes() const { return picture_.trail.size(); }
    const CheckPictureLayout& pictureLayout() const { return picture_.layout; }

    static constexpr UINT WM_SHOW_CHECK_PICTURE = WM_APP + 2;

  protected:
    BOOL OnInitDialog() override;
    void OnOK() override { Leave(); }
    void OnCancel() override { Leave(); }
    std::optional<MessageResult> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    MessageResult OnPaint(WPARAM wParam, LPARAM lParam);
    MessageResult OnDestroy(WPARAM wParam, LPARAM lParam);
    MessageResult OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);
    MessageResult OnTimer(WPARAM wParam, LPARAM lParam);
    MessageResult OnShowPicture(WPARAM wParam, LPARAM lParam);

    bool BeginCheck();
    std::optional<CheckResult> Evaluate(const CheckedMonitor& checked) const;
    void OnContact(std::uint32_t flags, SamplePoint position);
    void OnContactCancelled();
    void OnPictureContact(std::uint32_t flags, SamplePoint position);
    void OnButton(CheckButton button);
    void OnTimedOut();
    // Escape, Enter, and the time-out of the picture.
    void Leave();
    void End(CheckEnd end);
    std::wstring Text(int id) const;

    static const MessageMap<CCheckDialog>& GetMessageMap();

    CheckOptions options_;
    NamedMonitor monitor_;
    MonitorDetails details_;
    std::vector<PixelRect> monitors_;
    std::vector<PixelPoint> points_;
    CalibrationRun run_;
    GuidancePainter guidance_;
    RunInput input_;
    ContactReader contacts_;
    std::vector<std::unique_ptr<CoverWindow>> covers_;
    CheckPicturePainter painter_;
    CheckPicture picture_;
    std::optional<CheckResult> result_;
    std::string summaryText_;
    std::string diagnosisText_;
    std::optional<CheckButton> pressed_;
    bool drawing_ = false;
    bool showingPicture_ = false;
    bool ending_ = false;
    int checksRun_ = 0;
    CheckEnd end_ = CheckEnd::NotStarted;
};

}  // namespace norvessa::win32
