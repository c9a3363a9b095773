#pragma once
// The full-screen window of one calibration run: it draws the current cross, feeds every touch
// (and the mouse, as a second finger) to the run, sends the run's frames, and shows the verdict
// that its listener reports. Runs modally; the main dialog takes no input meanwhile.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>

#include "calibration/calibration_run.h"
#include "protocol/linux/verdict_listener.h"

class QMessageBox;

namespace norvessa::ui {

// How the window ended; the value is the modal run's result code.
enum class CalibrationEnd {
    Closed = 0,          // a verdict was shown and answered without a retry, or Escape / Enter
    Retry = 1,           // "Calibration failed,retry again?" answered Yes
    ControllerGone = 2,  // the controller went away while the window was up
    NotStarted = 3,      // the screen is too small for the layout: nothing was sent or shown
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
};

class CMyDialog : public QDialog {
  public:
    CMyDialog(double pointCount, VerdictTexts texts, FingerHook fingerHook,
              QWidget* parent = nullptr);
    ~CMyDialog() override;
    CMyDialog(const CMyDialog&) = delete;
    CMyDialog& operator=(const CMyDialog&) = delete;

    // Lays the targets out on the primary screen, sends the set-up frame and the first point
    // frame, shows the window full screen, starts the listener and returns when the window has
    // ended. Call once.
    CalibrationEnd Run();
    // The controller is about to be closed: the listener stops at once and the window ends.
    void EndForRemoval();

    // Every way out passes here: the listener is stopped before the window ends.
    void done(int result) override;

    const CalibrationRun& run() const { return run_; }
    // The controller's verdict was success.
    bool succeeded() const { return succeeded_; }
    double devicePixelRatioUsed() const { return devicePixelRatio_; }

  protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool HandleTouchEvent(QEvent* event);
    void OnTouchInput(std::uint32_t flags, SamplePoint position);
    void OnListenerEvent(ListenerEvent event);
    int ShowVerdict(const QString& text, bool askForRetry);

    CalibrationRun run_;
    VerdictTexts texts_;
    FingerHook fingerHook_;
    VerdictListener listener_;
    QPointer<QMessageBox> verdictBox_;
    double devicePixelRatio_ = 1.0;
    bool finished_ = false;
    bool succeeded_ = false;
};

}  // namespace norvessa::ui
