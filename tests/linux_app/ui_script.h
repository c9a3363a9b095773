#pragma once
// Drives a user interface that runs modal loops: each step waits, polled from a timer inside
// whatever loop is running, until its condition holds, then acts. A step that waits too long
// fails the script, and every modal window is closed so the test can go on.

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "calibration/linux/calibration_window.h"
#include "calibration/linux/check_window.h"

namespace norvessa::test {

class UiScript {
  public:
    using Condition = std::function<bool()>;
    using Action = std::function<void()>;

    UiScript();
    // Waits until `ready` holds, then runs `act`.
    UiScript& When(std::string name, Condition ready, Action act);
    UiScript& Do(std::string name, Action act);
    // Lets the user interface run on its own for a while. Actions must not wait themselves:
    // the next steps would run inside their wait.
    UiScript& Pause(int ms);
    void Start();

    bool finished() const { return finished_; }
    // The step that timed out, or empty.
    const std::string& failure() const { return failure_; }
    // Lets the event loops run until the script has finished or failed.
    bool WaitUntilFinished(int timeoutMs = 20000);

  private:
    struct Step {
        std::string name;
        Condition ready;
        Action act;
    };
    void Tick();
    void Fail(const std::string& why);

    QTimer timer_;
    // The modal window at the start of each action still running, innermost last.
    std::vector<QPointer<QWidget>> runningActions_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    qint64 stepStartedMs_ = 0;
    bool finished_ = false;
    std::string failure_;
};

// What the tests look for among the top-level windows.
QMessageBox* VisibleMessageBox();
ui::CMyDialog* VisibleCalibration();
ui::CheckWindow* VisibleCheck();
// Ends every modal window the tests may have left open.
void CloseModalWindows();

struct BoxSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};
BoxSeen Describe(const QMessageBox& box);
void Press(QMessageBox& box, QMessageBox::StandardButton button);

}  // namespace norvessa::test
