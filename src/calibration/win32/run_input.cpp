#include "calibration/win32/run_input.h"

#include <algorithm>

#include "calibration/win32/pointer_input.h"

namespace norvessa::win32 {

namespace {

constexpr UINT_PTR SAMPLING_TIMER = 1;
constexpr UINT_PTR TIMEOUT_TIMER = 2;

bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

}  // namespace

std::int64_t TickNow() {
    return static_cast<std::int64_t>(GetTickCount64());
}

std::int64_t CurrentMessageTime() {
    return MessageTimeOnTickClock(static_cast<DWORD>(GetMessageTime()), GetTickCount64());
}

RunInput::RunInput(CalibrationRun& run, const GuidancePainter& guidance, std::int64_t timeoutMs,
                   RunInputHooks hooks)
    : run_(run),
      guidance_(guidance),
      timeoutMs_(timeoutMs),
      hooks_(std::move(hooks)),
      timeout_(timeoutMs) {}

void RunInput::StartTimeout() {
    timeout_ = RunTimeout(timeoutMs_);
    timeout_.Start(TickNow());
    ArmTimeoutTimer();
}

void RunInput::StopTimeout() {
    if (window_ != nullptr) {
        KillTimer(window_, TIMEOUT_TIMER);
    }
}

void RunInput::Stop() {
    if (window_ != nullptr) {
        KillTimer(window_, SAMPLING_TIMER);
        KillTimer(window_, TIMEOUT_TIMER);
    }
    samplingTimerSet_ = false;
}

std::optional<MessageResult> RunInput::HandleTimer(WPARAM timerId) {
    if (timerId == SAMPLING_TIMER) {
        OnSamplingTick();
    } else if (timerId == TIMEOUT_TIMER) {
        OnTimeoutTick();
    } else {
        return std::nullopt;
    }
    return MessageResult::Handled();
}

void RunInput::OnContact(std::uint32_t flags, SamplePoint position) {
    const std::uint32_t targetBefore = run_.currentTarget();
    const bool downBefore = run_.contactDown();
    const int progressBefore = run_.HoldProgress();
    const LiftOffRefusal refusalBefore = run_.lastRefusal();
    const TouchOutcome outcome =
        run_.OnTimedTouchInput(flags, position.x, position.y, CurrentMessageTime());
    if (hooks_.outcome) {
        hooks_.outcome(outcome);
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
        if (hooks_.finger.down) {
            hooks_.finger.down();
        }
    } else if ((flags & TOUCH_FLAG_MOVE) == 0 && (flags & TOUCH_FLAG_UP) != 0) {
        if (hooks_.finger.up) {
            hooks_.finger.up();
        }
    }
}

void RunInput::OnContactCancelled() {
    if (!run_.contactDown()) {
        return;
    }
    // Nothing is accepted; the hold cue goes, the timers stop, the time-out runs again.
    run_.CancelContact();
    UpdateSamplingTimer();
    timeout_.SetContactDown(false, TickNow());
    ArmTimeoutTimer();
    Invalidate(guidance_.TargetAreaOf(run_, run_.currentTarget()));
    if (hooks_.finger.up) {
        hooks_.finger.up();
    }
}

void RunInput::HoldClock(bool contactDown) {
    timeout_.SetContactDown(contactDown, TickNow());
    ArmTimeoutTimer();
}

void RunInput::InvalidateChanges(std::uint32_t targetBefore, bool downBefore, int progressBefore,
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

void RunInput::Invalidate(const RECT& area) {
    if (!SameRect(area, RECT{})) {
        InvalidateRect(window_, &area, TRUE);
    }
}

void RunInput::UpdateSamplingTimer() {
    // Once the hold cue is full, further samples of the same place change nothing the window
    // shows, and the next event catches up on them: the timer rests until a move or a lift.
    const bool wanted = run_.contactDown() && run_.HoldProgress() < HOLD_PROGRESS_FULL;
    if (wanted && !samplingTimerSet_) {
        samplingTimerSet_ =
            SetTimer(window_, SAMPLING_TIMER, static_cast<UINT>(SAMPLE_INTERVAL_MS), nullptr) != 0;
    } else if (!wanted && samplingTimerSet_) {
        KillTimer(window_, SAMPLING_TIMER);
        samplingTimerSet_ = false;
    }
}

void RunInput::OnSamplingTick() {
    if (run_.contactDown() && run_.SampleHeldContact(TickNow())) {
        Invalidate(guidance_.TargetAreaOf(run_, run_.currentTarget()));
    }
    UpdateSamplingTimer();
}

void RunInput::ArmTimeoutTimer() {
    const std::int64_t now = TickNow();
    const std::optional<std::int64_t> countdown = timeout_.CountdownSeconds(now);
    if (countdown != shownCountdown_) {
        shownCountdown_ = countdown;
        Invalidate(guidance_.TextArea());
    }
    const std::optional<std::int64_t> next = timeout_.NextChange(now);
    if (!next || Halted()) {
        KillTimer(window_, TIMEOUT_TIMER);
        return;
    }
    // Setting the timer again replaces it: one timer, due at the next change only.
    SetTimer(window_, TIMEOUT_TIMER, static_cast<UINT>(std::max<std::int64_t>(*next - now, 1)),
             nullptr);
}

void RunInput::OnTimeoutTick() {
    if (timeout_.TimedOut(TickNow()) && !Halted()) {
        KillTimer(window_, TIMEOUT_TIMER);
        hooks_.timedOut();
        return;
    }
    ArmTimeoutTimer();
}

}  // namespace norvessa::win32
