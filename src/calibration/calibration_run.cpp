#include "calibration/calibration_run.h"

#include <algorithm>

namespace norvessa {

CalibrationRun::CalibrationRun(double pointCount) : pointCount_(pointCount) {}

LayoutResult CalibrationRun::Begin(std::int32_t screenWidth, std::int32_t screenHeight) {
    const LayoutResult result = LayoutTargets(pointCount_, screenWidth, screenHeight, targets_);
    if (result != LayoutResult::Ok) {
        return result;
    }
    screenWidth_ = screenWidth;
    screenHeight_ = screenHeight;
    currentTarget_ = 0;
    sampleCount_ = 0;
    ringFilled_ = 0;
    started_ = true;
    return result;
}

std::array<CalibrationFrame, 2> CalibrationRun::OpeningFrames() const {
    return {BuildSetupFrame(screenWidth_, screenHeight_, pointCount_),
            BuildPointFrame(0, targets_.x[0], targets_.y[0], pointCount_)};
}

TouchOutcome CalibrationRun::OnTouchInput(std::uint32_t flags, std::int32_t x, std::int32_t y) {
    if (flags & TOUCH_FLAG_DOWN) {
        TouchDown();
        return TouchOutcome{.handled = true};
    }
    if (flags & TOUCH_FLAG_MOVE) {
        AddSample(x, y);
        return TouchOutcome{.handled = true};
    }
    if (flags & TOUCH_FLAG_UP) {
        return TestLiftOff(x, y);
    }
    return TouchOutcome{};
}

void CalibrationRun::TouchDown() {
    // The position of the touch-down is not kept: only moves count.
    sampleCount_ = 0;
    ringFilled_ = 0;
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
        if (IndexBeforeLast(index)) {
            const std::uint32_t next = index + 1;
            outcome.frameToSend =
                BuildPointFrame(next, targets_.x[next], targets_.y[next], pointCount_);
        }
        currentTarget_ = index + 1;
        outcome.accepted = true;
        outcome.repaint = true;
    }
    sampleCount_ = 0;
    return outcome;
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

std::int32_t CalibrationRun::TruncatedPointCount() const {
    // Only the seven offered counts ever start a run, so the conversion is always defined.
    return IsSupportedPointCount(pointCount_) ? static_cast<std::int32_t>(pointCount_) : 0;
}

}  // namespace norvessa
