#pragma once
// What the calibration window and the check window share between a contact and the run: the
// run fed with each contact at its message's time, the sampling tick that runs only while a
// contact is down and its hold cue fills, the 30 s time-out on one timer set to its next
// change, and the repaint of only the cross, the hold cue or the lines that changed.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "calibration/calibration_run.h"
#include "calibration/run_timeout.h"
#include "calibration/win32/guidance_painter.h"
#include "ui/win32/message_map.h"

namespace norvessa::win32 {

// Told of each touch-down and lift-off as they happen, as a finger would tell the controller.
// The demo passes them on to its simulated controller; the application leaves both empty.
struct FingerHook {
    std::function<void()> down;
    std::function<void()> up;
};

struct RunInputHooks {
    // After the run took a contact event, before the timers follow it (the calibration sends
    // the next point frame here).
    std::function<void(const TouchOutcome&)> outcome;
    // Nobody touched in time: the window ends as Escape ends it.
    std::function<void()> timedOut;
    // While true the time-out waits (the window is ending, or a box is up).
    std::function<bool()> halted;
    FingerHook finger;
};

class RunInput {
  public:
    RunInput(CalibrationRun& run, const GuidancePainter& guidance, std::int64_t timeoutMs,
             RunInputHooks hooks);
    RunInput(const RunInput&) = delete;
    RunInput& operator=(const RunInput&) = delete;

    // Once the window exists, before any contact.
    void Attach(HWND window) { window_ = window; }
    // The window is shown: the time-out counts from now (again, when called again).
    void StartTimeout();
    // The time-out's timer stops (a verdict came).
    void StopTimeout();
    // Both timers stop; nothing wakes the window any more.
    void Stop();

    // One contact event in the window's client pixels, timed by the message that brought it.
    void OnContact(std::uint32_t flags, SamplePoint position);
    // The system took a finger's or a pen's contact away: it ends without a lift-off test.
    void OnContactCancelled();
    // A contact that the run does not take (the check's picture) still holds the clock.
    void HoldClock(bool contactDown);

    // Its two timers; none for every other message.
    std::optional<MessageResult> HandleTimer(WPARAM timerId);

    std::optional<std::int64_t> countdown() const { return shownCountdown_; }
    // The time-out's one timer, set to its next change; none while a contact holds the clock.
    void ArmTimeoutTimer();

  private:
    void InvalidateChanges(std::uint32_t targetBefore, bool downBefore, int progressBefore,
                           LiftOffRefusal refusalBefore);
    void Invalidate(const RECT& area);
    void UpdateSamplingTimer();
    void OnSamplingTick();
    void OnTimeoutTick();
    bool Halted() const { return hooks_.halted && hooks_.halted(); }

    CalibrationRun& run_;
    const GuidancePainter& guidance_;
    std::int64_t timeoutMs_;
    RunInputHooks hooks_;
    RunTimeout timeout_;
    HWND window_ = nullptr;
    std::optional<std::int64_t> shownCountdown_;
    bool samplingTimerSet_ = false;
};

// When the message being handled was queued: events that waited behind a busy thread keep
// the time the contact really made them.
std::int64_t CurrentMessageTime();
std::int64_t TickNow();

}  // namespace norvessa::win32
