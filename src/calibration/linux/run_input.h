#pragma once
// The input side of a window that shows a run's crosses, shared by the calibration window and
// the check window: every touch (and the mouse, as a second finger) fed to the run with its
// time, the sampling tick while a contact is down, the hold cue and hint repaints, and the 30 s
// time-out with its countdown. The window says what a taken input means for it (a frame to
// send, a check point measured) and is told to repaint and when nobody touched it in time.

#include <QElapsedTimer>
#include <QRect>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

#include "calibration/calibration_run.h"
#include "calibration/linux/guidance_view.h"
#include "calibration/linux/touch_input.h"
#include "calibration/monitor_choice.h"
#include "calibration/run_timeout.h"

class QMouseEvent;
class QTouchEvent;

namespace norvessa::ui {

struct CalibrationTimings {
    std::int64_t timeoutMs = RUN_TIMEOUT_MS;
    std::int64_t countdownMs = COUNTDOWN_MS;
};

// Where a widget's logical coordinates lie in the run's physical pixels: times `ratio`, plus
// `offset` (a window on another screen sees its touches in the run's screen's coordinates).
struct PointerMapping {
    double ratio = 1.0;
    PixelPoint offset;
};

struct RunInputHooks {
    // The run took an input: false when the window ended over it (nothing more is done then).
    std::function<bool(std::uint32_t flags, const TouchOutcome& outcome)> taken;
    // After the run's own repaints for that input.
    std::function<void(std::uint32_t flags)> handled;
    // Physical pixels of the run's screen to repaint.
    std::function<void(const QRect& physical)> repaint;
    std::function<void()> timedOut;
};

class RunInput {
  public:
    RunInput(CalibrationRun& run, const GuidanceView& guidance, CalibrationTimings timings,
             RunInputHooks hooks);
    ~RunInput();
    RunInput(const RunInput&) = delete;
    RunInput& operator=(const RunInput&) = delete;

    // The window shows: the time-out starts and queued motion is no longer merged.
    void Start();
    // The window ends (or stops taking touches): no timer runs, merging is as it was.
    void Stop();

    // A touch event of a window showing the run (or covering another screen meanwhile).
    void HandleTouch(QTouchEvent* event, PointerMapping mapping);
    // A press, move or release of the left button that no touch made up.
    void HandleMouse(QMouseEvent* event, PointerMapping mapping);

    // The seconds the countdown shows now, if it shows.
    std::optional<std::int64_t> countdown() const { return countdownShown_; }
    bool samplingActive() const { return sampleTimer_.isActive(); }
    // The system's id of the device whose touches arrived last (on X11: its XInput id).
    std::optional<std::int64_t> touchDeviceId() const { return touchDeviceId_; }

  private:
    void Take(std::uint32_t flags, SamplePoint position, std::uint64_t timestamp);
    void AfterInput(const TouchOutcome& outcome, const QRect& targetBefore, int holdBefore,
                    LiftOffRefusal refusalBefore);
    void SyncContactState();
    void ArmTimeout();
    void OnTimeoutTimer();
    void OnSampleTick();
    void SetMotionCompression(bool on);
    void Repaint(const QRect& physical) const;
    std::int64_t SteadyMs() const { return steady_.elapsed(); }

    CalibrationRun& run_;
    const GuidanceView& guidance_;
    RunInputHooks hooks_;
    EventClock eventClock_;
    QElapsedTimer steady_;
    QTimer sampleTimer_;
    RunTimeout timeout_;
    QTimer timeoutTimer_;
    std::optional<std::int64_t> countdownShown_;
    bool started_ = false;
    bool compressionWasOn_[2] = {false, false};
    std::optional<std::int64_t> touchDeviceId_;
};

// A mouse event that Qt made up from a touch the window already handled as a touch.
bool IsFromTouch(const QMouseEvent* event);
// The mouse as a finger: the left button's press, a move while it is held and its release as
// a touch-down, move and lift-off. None for any other event or one made up from a touch.
std::optional<std::uint32_t> MouseFlagsFor(const QMouseEvent* event);

}  // namespace norvessa::ui
