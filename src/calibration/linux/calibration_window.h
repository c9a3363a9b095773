#pragma once
// The full-screen window of one calibration run: it draws the current cross with the guidance
// around it, feeds every touch (and the mouse, as a second finger) to the run with its time,
// samples a held contact on a short tick, sends the run's frames, ends the run when nobody
// touches it, and shows the verdict that its listener reports. Runs modally; the main dialog
// takes no input meanwhile. No timer runs while nothing happens.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>

#include "calibration/calibration_run.h"
#include "calibration/linux/guidance_view.h"
#include "calibration/linux/run_input.h"
#include "protocol/linux/verdict_listener.h"

class QMessageBox;

namespace norvessa::ui {

// How the window ended; the value is the modal run's result code.
enum class CalibrationEnd {
    Closed = 0,          // a verdict was shown and answered without a retry, or Escape / Enter
    Retry = 1,           // "Calibration failed,retry again?" answered Yes
    ControllerGone = 2,  // a read or write found the controller gone: the caller releases it
    NotStarted = 3,      // no layout for the screen, or no listener: nothing was sent or shown
    Removed = 4,         // the link released the controller (its removal): nothing more to do
    TimedOut = 5,        // nobody touched it, or no verdict came, for the time-out
    CannotCover = 6,     // a window covering the screen would not cover its output: nothing sent
    NotResponding = 7,   // an earlier frame is still stuck in the kernel: nothing sent or shown
};

// Told of each touch-down and lift-off as they happen, as a finger would tell the controller.
// The demo passes them to its simulated controller; the application leaves both empty.
struct FingerHook {
    std::function<void()> down;
    std::function<void()> up;
};

struct VerdictTexts {
    QString caption;    // the application's name
    QString succeeded;  // string 102
    QString failed;     // string 103
    // Any string-table entry in the user's language: the guidance.
    std::function<QString(int id)> strings;
};

class CMyDialog : public QDialog {
  public:
    CMyDialog(double pointCount, VerdictTexts texts, FingerHook fingerHook,
              CalibrationTimings timings = {}, QWidget* parent = nullptr);
    ~CMyDialog() override;
    CMyDialog(const CMyDialog&) = delete;
    CMyDialog& operator=(const CMyDialog&) = delete;

    // Lays the targets out on the screen holding its parent (the main window), sends the set-up
    // frame and the first point frame, shows the window full screen there, starts the listener
    // and returns when the window has ended. Call once.
    CalibrationEnd Run();
    // The controller is about to be closed: the listener stops at once and the window ends.
    void EndForRemoval();

    // Every way out passes here: the listener is stopped before the window ends.
    void done(int result) override;

    const CalibrationRun& run() const { return run_; }
    // The controller's verdict was success.
    bool succeeded() const { return succeeded_; }
    double pixelsPerLogical() const { return pixelsPerLogical_; }
    const GuidanceView& guidance() const { return guidance_; }
    // What the guidance shows now, line by line.
    std::array<QString, GUIDANCE_LINES> GuidanceLines() const;
    bool samplingTimerActive() const { return input_.samplingActive(); }

  protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    RunInputHooks InputHooks();
    // False once the window has ended over the input.
    bool OnInputTaken(std::uint32_t flags, const TouchOutcome& outcome);
    void OnInputHandled(std::uint32_t flags);
    PointerMapping Mapping() const { return {pixelsPerLogical_, {}}; }
    void UpdatePhysical(const QRect& physical);
    void OnListenerEvent(ListenerEvent event);
    // Sends one of the run's frames; false once the controller is found gone.
    bool Send(const CalibrationFrame& frame);
    int ShowVerdict(const QString& text, bool askForRetry);

    CalibrationRun run_;
    VerdictTexts texts_;
    FingerHook fingerHook_;
    VerdictListener listener_;
    QPointer<QMessageBox> verdictBox_;
    double pixelsPerLogical_ = 1.0;
    bool finished_ = false;
    GuidanceView guidance_;
    RunInput input_;
    bool succeeded_ = false;
};

}  // namespace norvessa::ui
