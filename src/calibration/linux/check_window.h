#pragma once
// The full-screen window of a calibration check: the check points shown and accepted one after
// another exactly as a calibration's targets are (same crosses, hold cue, hints, time-out),
// every other screen covered meanwhile so a touch mapped there still counts, and then the
// result picture with its buttons. Nothing is sent to the controller; it needs none. Runs
// modally, as the calibration window does.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calibration/calibration_run.h"
#include "calibration/check_result.h"
#include "calibration/check_text.h"
#include "calibration/linux/check_cover.h"
#include "calibration/linux/check_picture_view.h"
#include "calibration/linux/guidance_view.h"
#include "calibration/linux/run_input.h"
#include "calibration/monitor_choice.h"

class QScreen;

namespace norvessa::ui {

enum class CheckEnd {
    Done,            // the picture was shown and ended by Done, Escape or its time-out
    Cancelled,       // Escape before the last check point
    TimedOut,        // nobody touched a check point for the time-out
    CalibrateAgain,  // the picture's "Calibrate again": the caller starts a calibration
    NotStarted,      // the screen is too small for the check points
    CannotCover,     // a window covering the screen would not cover its output
};

struct CheckSettings {
    int points = DEFAULT_CHECK_POINTS;
    std::optional<Tolerance> tolerance;  // none: 1 % of the monitor's diagonal
    bool offerCalibration = false;       // a controller is current: "Calibrate again" shows
    MappingRemedy remedy = MappingRemedy::Compositor;
    CalibrationTimings timings;
};

// Maps the XInput device `deviceId` to `monitorInRoot` of a root window of `rootSize`; the
// xorg.conf.d snippet that makes it permanent, or none with `error` set.
using MapTouchDevice = std::function<std::optional<std::string>(
    std::int64_t deviceId, PixelRect monitorInRoot, PixelSize rootSize, std::string* error)>;

struct CheckOutcome {
    CheckEnd end = CheckEnd::NotStarted;
    std::optional<CheckResult> result;  // the last check measured to its end
    CheckedMonitor monitor;
    QPointer<QScreen> screen;
    std::string diagnosisText;  // as the picture showed it, UTF-8
};

class CheckWindow : public QDialog {
  public:
    // `strings` loads a string-table entry in the user's language; the checked screen is
    // chosen as a calibration's is, from `mainWindow`.
    CheckWindow(CheckSettings settings, std::function<QString(int id)> strings,
                QWidget* mainWindow = nullptr);
    ~CheckWindow() override;
    CheckWindow(const CheckWindow&) = delete;
    CheckWindow& operator=(const CheckWindow&) = delete;

    // "Map to this monitor" shows only with a way to map (X11) and a diagnosis it cures.
    void SetMapTouchDevice(MapTouchDevice map) { map_ = std::move(map); }
    // Shows the check full screen and returns once it has ended. Call once.
    CheckOutcome Run();

    void done(int result) override;
    void reject() override;

    bool showingPicture() const { return pictureShown_; }
    const CalibrationRun& run() const { return run_; }
    double pixelsPerLogical() const { return pixelsPerLogical_; }
    const CheckPictureView& picture() const { return picture_; }
    std::vector<CheckCover*> covers() const;
    std::array<QString, GUIDANCE_LINES> GuidanceLines() const;
    const std::optional<CheckResult>& result() const { return outcome_.result; }
    std::optional<std::int64_t> touchDeviceId() const { return input_.touchDeviceId(); }

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void LogWhatIsShown();
    RunInputHooks InputHooks();
    bool BeginMeasuring();
    void ShowCovers();
    void CloseCovers();
    void ShowPicture();
    std::vector<CheckButton> PictureButtons() const;
    PictureTexts TextsFor(const CheckResult& result) const;
    void OnTouch(QTouchEvent* event);
    void OnMouse(QMouseEvent* event);
    void OnPicturePointer(std::uint32_t flags, QPointF logical);
    void Press(CheckButton button);
    void MapHere();
    void ArmPictureTimeout();
    PointerMapping Mapping() const { return {pixelsPerLogical_, {}}; }
    std::string Utf8(int id) const { return strings_(id).toStdString(); }

    CheckSettings settings_;
    std::function<QString(int)> strings_;
    MapTouchDevice map_;
    QPointer<QScreen> screen_;
    double pixelsPerLogical_ = 1.0;
    Tolerance tolerance_;
    std::vector<PixelPoint> points_;
    CalibrationRun run_{0};
    GuidanceView guidance_;
    RunInput input_;
    std::vector<std::unique_ptr<CheckCover>> covers_;
    CheckPictureView picture_;
    bool pictureShown_ = false;
    // What the verbose log has said is on the screen: a technician's record of the check, and
    // how a robot finger knows where to touch.
    std::optional<std::uint32_t> pointLogged_;
    bool pictureLogged_ = false;
    QTimer pictureTimer_;
    std::optional<CheckButton> pressedButton_;
    CheckOutcome outcome_;
    bool finished_ = false;
};

}  // namespace norvessa::ui
