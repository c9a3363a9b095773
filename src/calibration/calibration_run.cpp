#include "calibration/calibration_run.h"

#include <algorithm>

namespace norvessa {

CalibrationRun::CalibrationRun(double pointCount) : pointCount_(pointCount) {}

LayoutResult CalibrationRun::Begin(std::int32_t screenWidth, std::int32_t screenHeight) {
    const LayoutResult result = LayoutTargets(pointCount_, screenWidth, screenHeight, targets_);
    if (result != LayoutResult::Ok) {
        return result;
    }
    StartAtFirstTarget(screenWidth, screenHeight);
    return result;
}

bool CalibrationRun::BeginCheck(std::span<const SamplePoint> points, std::int32_t screenWidth,
                                std::int32_t screenHeight) {
    if (points.empty() || points.size() > MAX_TARGETS || screenWidth < MIN_SCREEN_SIZE ||
        screenHeight < MIN_SCREEN_SIZE) {
        return false;
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        targets_.x[i] = points[i].x;
        targets_.y[i] = points[i].y;
    }
    pointCount_ = static_cast<double>(points.size());
    checking_ = true;
    StartAtFirstTarget(screenWidth, screenHeight);
    return true;
}

void CalibrationRun::StartAtFirstTarget(std::int32_t screenWidth, std::int32_t screenHeight) {
    screenWidth_ = screenWidth;
    screenHeight_ = screenHeight;
    currentTarget_ = 0;
    sampleCount_ = 0;
    ringFilled_ = 0;
    started_ = true;
}

std::array<CalibrationFrame, 2> CalibrationRun::OpeningFrames() const {
    return {BuildSetupFrame(screenWidth_, screenHeight_, pointCount_),
            BuildPointFrame(0, targets_.x[0], targets_.y[0], pointCount_)};
}

TouchOutcome CalibrationRun::OnTouchInput(std::uint32_t flags, std::int32_t x, std::int32_t y) {
    if (flags & TOUCH_FLAG_DOWN) {
        TouchDown();
        // Not a sample itself, but where a still finger is sampled again until it moves.
        contactDown_ = true;
        heldPosition_ = SamplePoint{x, y};
        return TouchOutcome{.handled = true};
    }
    if (flags & TOUCH_FLAG_MOVE) {
        AddSample(x, y);
        heldPosition_ = SamplePoint{x, y};
        return TouchOutcome{.handled = true};
    }
    if (flags & TOUCH_FLAG_UP) {
        contactDown_ = false;
        TouchOutcome outcome = TestLiftOff(x, y);
        lastRefusal_ = outcome.refusal;
        return outcome;
    }
    return TouchOutcome{};
}

TouchOutcome CalibrationRun::OnTimedTouchInput(std::uint32_t flags, std::int32_t x, std::int32_t y,
                                               std::int64_t timeMs) {
    if (!(flags & TOUCH_FLAG_DOWN)) {
        // The contact stayed where it was last seen until this event moved or lifted it.
        ResampleHeldPosition(timeMs, false);
    }
    TouchOutcome outcome = OnTouchInput(flags, x, y);
    if (flags & (TOUCH_FLAG_DOWN | TOUCH_FLAG_MOVE)) {
        lastSampleMs_ = timeMs;
    }
    return outcome;
}

bool CalibrationRun::SampleHeldContact(std::int64_t nowMs) {
    const int before = HoldProgress();
    ResampleHeldPosition(nowMs, true);
    return HoldProgress() != before;
}

void CalibrationRun::ResampleHeldPosition(std::int64_t untilMs, bool includeUntil) {
    if (!contactDown_) {
        return;
    }
    // More than a full ring of the same position changes nothing: a long wait costs no more.
    for (int added = 0; added <= SAMPLE_RING_SIZE; ++added) {
        const std::int64_t due = lastSampleMs_ + SAMPLE_INTERVAL_MS;
        if (due > untilMs || (due == untilMs && !includeUntil)) {
            return;
        }
        AddSample(heldPosition_.x, heldPosition_.y);
        lastSampleMs_ = due;
    }
    lastSampleMs_ = untilMs;
}

void CalibrationRun::TouchDown() {
    // The position of the touch-down is not a sample: only moves and re-samples count.
    sampleCount_ = 0;
    ringFilled_ = 0;
    lastRefusal_ = LiftOffRefusal::None;
}

bool CalibrationRun::AddSample(std::int32_t x, std::int32_t y) {
    if (sampleCount_ >= SAMPLE_RING_SIZE) {
        // Wrapping is what marks the ring as holding ten moves since the touch-down,
        // so the marker is set by the 11th move, not the 10th.
        sampleCount_ = 0;
        ringFilled_ = RING_FILLED;
    }
    samples_[static_cast<std::size_t>(sampleCount_)] = SamplePoint{x, y};
    ++sampleCount_;
    return true;
}

TouchOutcome CalibrationRun::TestLiftOff(std::int32_t x, std::int32_t y) {
    TouchOutcome outcome{.handled = true};
    if (ringFilled_ != RING_FILLED) {
        outcome.refusal = started_ ? LiftOffRefusal::TooShort : LiftOffRefusal::None;
        return outcome;
    }
    // 64 bits: a touch reported far off the screen must not overflow into a small distance.
    std::int64_t largest = 0;
    for (const SamplePoint& sample : samples_) {
        const std::int64_t dx = std::int64_t{x} - sample.x;
        const std::int64_t dy = std::int64_t{y} - sample.y;
        largest = std::max(largest, dx * dx + dy * dy);
    }
    if (largest < STABILITY_LIMIT && started_) {
        const std::uint32_t index = currentTarget_;
        acceptedTouches_[index] = SamplePoint{x, y};
        if (IndexBeforeLast(index) && !checking_) {
            const std::uint32_t next = index + 1;
            outcome.frameToSend =
                BuildPointFrame(next, targets_.x[next], targets_.y[next], pointCount_);
        }
        currentTarget_ = index + 1;
        outcome.accepted = true;
        outcome.repaint = true;
    } else if (started_) {
        outcome.refusal = LiftOffRefusal::TooMuchMovement;
    }
    sampleCount_ = 0;
    return outcome;
}

int CalibrationRun::SamplesSinceTouchDown() const {
    // Once the ring has wrapped it holds a full set, which is all the rule needs to know.
    return ringFilled_ == RING_FILLED ? SAMPLE_RING_SIZE + 1 : sampleCount_;
}

int CalibrationRun::HoldProgress() const {
    const int taken = SamplesSinceTouchDown();
    if (!contactDown_ || taken == 0 || sampleCount_ == 0) {
        return 0;
    }
    // Walk back from the newest sample while the samples stay within the limit of where the
    // contact is now, which is where a lift-off would be tested.
    int steady = 0;
    int slot = sampleCount_ - 1;
    while (steady < std::min(taken, SAMPLE_RING_SIZE)) {
        const SamplePoint& sample = samples_[static_cast<std::size_t>(slot)];
        const std::int64_t dx = std::int64_t{heldPosition_.x} - sample.x;
        const std::int64_t dy = std::int64_t{heldPosition_.y} - sample.y;
        if (dx * dx + dy * dy >= STABILITY_LIMIT) {
            break;
        }
        ++steady;
        slot = (slot + SAMPLE_RING_SIZE - 1) % SAMPLE_RING_SIZE;
    }
    // Ten steady samples are not enough until the ring has wrapped (the eleventh sample).
    return std::min(steady, taken - 1);
}

bool CalibrationRun::IndexBeforeLast(std::uint32_t index) const {
    return static_cast<double>(index) < pointCount_ - 1.0;
}

std::optional<SamplePoint> CalibrationRun::CurrentCross() const {
    if (!started_ || AllTargetsAccepted()) {
        return std::nullopt;
    }
    return SamplePoint{targets_.x[currentTarget_], targets_.y[currentTarget_]};
}

bool CalibrationRun::AllTargetsAccepted() const {
    return !(static_cast<double>(currentTarget_) < pointCount_);
}

std::optional<SamplePoint> CalibrationRun::AcceptedTouch(std::uint32_t index) const {
    if (!started_ || index >= currentTarget_ || index >= MAX_TARGETS) {
        return std::nullopt;
    }
    return acceptedTouches_[index];
}

std::int32_t CalibrationRun::TruncatedPointCount() const {
    if (checking_) {
        return static_cast<std::int32_t>(pointCount_);
    }
    // Only the seven offered counts ever start a run, so the conversion is always defined.
    return IsSupportedPointCount(pointCount_) ? static_cast<std::int32_t>(pointCount_) : 0;
}

}  // namespace norvessa
