#pragma once
// The state of one calibration run, from the first cross to the last accepted target:
// the layout, the touch sampling and its stability test, and the frames the run sends.
// Platform windows feed it touch events and draw the cross it names; it never blocks,
// allocates in the stability test or touches the OS.

#include <array>
#include <cstdint>
#include <optional>

#include "calibration/target_layout.h"
#include "protocol/frames.h"

namespace norvessa {

inline constexpr int SAMPLE_RING_SIZE = 10;
inline constexpr std::int32_t RING_FILLED = 10;
// Squared distance, in pixels, at or above which a move rejects the lift-off (50 px).
inline constexpr std::int32_t STABILITY_LIMIT = 2500;
inline constexpr std::int32_t CROSS_ARM = 10;

// Touch flags, the same bit values as the platform's per-point touch records.
inline constexpr std::uint32_t TOUCH_FLAG_MOVE = 0x0001;
inline constexpr std::uint32_t TOUCH_FLAG_DOWN = 0x0002;
inline constexpr std::uint32_t TOUCH_FLAG_UP = 0x0004;

struct SamplePoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const SamplePoint&, const SamplePoint&) = default;
};
using SampleRing = std::array<SamplePoint, SAMPLE_RING_SIZE>;

// What the window must do after one touch input.
struct TouchOutcome {
    bool handled = false;   // a down, move or up event
    bool accepted = false;  // the lift-off accepted the current target
    bool repaint = false;   // the cross moved or vanished: repaint with erasing
    std::optional<CalibrationFrame> frameToSend;  // the next target's point frame
};

class CalibrationRun {
  public:
    explicit CalibrationRun(double pointCount);

    // Reads nothing from the OS: the caller passes the primary screen's size in physical
    // pixels. Anything but Ok means the run must not start.
    [[nodiscard]] LayoutResult Begin(std::int32_t screenWidth, std::int32_t screenHeight);
    bool started() const { return started_; }

    // The set-up frame and the first target's point frame, sent before the window shows.
    std::array<CalibrationFrame, 2> OpeningFrames() const;

    // Dispatches on the flags in the order down, move, up; other flags are not handled.
    TouchOutcome OnTouchInput(std::uint32_t flags, std::int32_t x, std::int32_t y);
    void TouchDown();
    bool AddSample(std::int32_t x, std::int32_t y);
    TouchOutcome TestLiftOff(std::int32_t x, std::int32_t y);

    // The cross to draw, or none once every target was accepted.
    std::optional<SamplePoint> CurrentCross() const;
    bool AllTargetsAccepted() const;

    double pointCount() const { return pointCount_; }
    // The count as it leaves the run: truncated toward zero (retry message, count byte).
    std::int32_t TruncatedPointCount() const;
    std::uint32_t currentTarget() const { return currentTarget_; }
    std::int32_t sampleCount() const { return sampleCount_; }
    std::int32_t ringFilled() const { return ringFilled_; }
    const TargetTable& targets() const { return targets_; }
    std::int32_t screenWidth() const { return screenWidth_; }
    std::int32_t screenHeight() const { return screenHeight_; }

  private:
    bool IndexBeforeLast(std::uint32_t index) const;

    double pointCount_;
    TargetTable targets_{};
    std::uint32_t currentTarget_ = 0;
    SampleRing samples_{};
    std::int32_t sampleCount_ = 0;
    std::int32_t ringFilled_ = 0;
    std::int32_t screenWidth_ = 0;
    std::int32_t screenHeight_ = 0;
    bool started_ = false;
};

}  // namespace norvessa
