#pragma once
// The state of one calibration run, from the first cross to the last accepted target:
// the layout, the touch sampling and its stability test, and the frames the run sends.
// Platform windows feed it touch events and draw the cross it names; it never blocks,
// allocates in the stability test or touches the OS.
//
// Sampling does not depend on how many move events the OS delivers: the timed entry points
// take each event's time, and while a contact is down the position last seen is sampled again
// every SAMPLE_INTERVAL_MS, either by the platform's tick (SampleHeldContact, run only while
// contactDown()) or, when events arrive late or compressed, by catching up on the intervals
// that passed before the event. The stability rule itself is the event-count one.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "calibration/target_layout.h"
#include "protocol/frames.h"

namespace norvessa {

inline constexpr int SAMPLE_RING_SIZE = 10;
inline constexpr std::int32_t RING_FILLED = 10;
// Squared distance, in pixels, at or above which a move rejects the lift-off (50 px).
inline constexpr std::int32_t STABILITY_LIMIT = 2500;
inline constexpr std::int32_t CROSS_ARM = 10;
// While a contact is down and no move arrives, its last position is sampled again this often:
// a still touch of about a hundred milliseconds fills the ring.
inline constexpr std::int64_t SAMPLE_INTERVAL_MS = 10;
// The hold cue's scale: full when a lift-off at the contact's position would be accepted.
inline constexpr int HOLD_PROGRESS_FULL = SAMPLE_RING_SIZE;

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

// Why a lift-off did not accept the target; the window turns it into a hint.
enum class LiftOffRefusal {
    None,             // accepted, or no refusal to tell (the run never started)
    TooShort,         // fewer than eleven samples since the touch-down
    TooMuchMovement,  // a sample of the ring lay 50 pixels or more from the lift-off
};

// What the window must do after one touch input.
struct TouchOutcome {
    bool handled = false;   // a down, move or up event
    bool accepted = false;  // the lift-off accepted the current target
    bool repaint = false;   // the cross moved or vanished: repaint with erasing
    std::optional<CalibrationFrame> frameToSend;  // the next target's point frame
    LiftOffRefusal refusal = LiftOffRefusal::None;
};

class CalibrationRun {
  public:
    explicit CalibrationRun(double pointCount);

    // Reads nothing from the OS: the caller passes the primary screen's size in physical
    // pixels. Anything but Ok means the run must not start.
    [[nodiscard]] LayoutResult Begin(std::int32_t screenWidth, std::int32_t screenHeight);
    // A check of the calibration: the same crosses, stillness rule and hints at `points`, but
    // nothing is sent; each accepted lift-off is kept as the touch measured at its point.
    // False for no points, more than MAX_TARGETS, or a screen smaller than MIN_SCREEN_SIZE.
    [[nodiscard]] bool BeginCheck(std::span<const SamplePoint> points, std::int32_t screenWidth,
                                  std::int32_t screenHeight);
    bool started() const { return started_; }
    bool checking() const { return checking_; }

    // The set-up frame and the first target's point frame, sent before the window shows.
    std::array<CalibrationFrame, 2> OpeningFrames() const;

    // Dispatches on the flags in the order down, move, up; other flags are not handled.
    // Every move is one sample; nothing is sampled between events.
    TouchOutcome OnTouchInput(std::uint32_t flags, std::int32_t x, std::int32_t y);
    // The same, for an event that happened at `timeMs`: first the contact's last position is
    // sampled again for every whole interval that passed since the last sample. Times are
    // milliseconds on one clock that does not wrap, shared with SampleHeldContact.
    TouchOutcome OnTimedTouchInput(std::uint32_t flags, std::int32_t x, std::int32_t y,
                                   std::int64_t timeMs);
    // The platform's tick while contactDown(): samples the last position again for every whole
    // interval up to `nowMs`. True when the hold progress changed (repaint the hold cue).
    bool SampleHeldContact(std::int64_t nowMs);
    // The platform took the contact away (a cancelled touch): it ends without a lift-off test,
    // so the tick stops and nothing is accepted.
    void CancelContact() { contactDown_ = false; }
    void TouchDown();
    bool AddSample(std::int32_t x, std::int32_t y);
    TouchOutcome TestLiftOff(std::int32_t x, std::int32_t y);

    // A contact is down: from a touch-down to the next lift-off.
    bool contactDown() const { return contactDown_; }
    // 0 to HOLD_PROGRESS_FULL: how many of the latest samples lie within the stability limit
    // of the contact's position, held below full until the ring holds enough samples; full
    // exactly when lifting there would be accepted. 0 while no contact is down.
    int HoldProgress() const;
    // Why the last lift-off was refused; cleared by the next touch-down.
    LiftOffRefusal lastRefusal() const { return lastRefusal_; }

    // The cross to draw, or none once every target was accepted.
    std::optional<SamplePoint> CurrentCross() const;
    bool AllTargetsAccepted() const;
    // Where the lift-off that accepted target `index` was; nothing before it was accepted.
    std::optional<SamplePoint> AcceptedTouch(std::uint32_t index) const;

    double pointCount() const { return pointCount_; }
    // The count as it leaves the run: truncated toward zero (retry message, count byte); a
    // check's number of points.
    std::int32_t TruncatedPointCount() const;
    std::uint32_t currentTarget() const { return currentTarget_; }
    std::int32_t sampleCount() const { return sampleCount_; }
    std::int32_t ringFilled() const { return ringFilled_; }
    const TargetTable& targets() const { return targets_; }
    std::int32_t screenWidth() const { return screenWidth_; }
    std::int32_t screenHeight() const { return screenHeight_; }

  private:
    // Both kinds of run begin alike once their targets are in place.
    void StartAtFirstTarget(std::int32_t screenWidth, std::int32_t screenHeight);
    bool IndexBeforeLast(std::uint32_t index) const;
    void ResampleHeldPosition(std::int64_t untilMs, bool includeUntil);
    int SamplesSinceTouchDown() const;

    double pointCount_;
    TargetTable targets_{};
    std::array<SamplePoint, MAX_TARGETS> acceptedTouches_{};
    std::uint32_t currentTarget_ = 0;
    SampleRing samples_{};
    std::int32_t sampleCount_ = 0;
    std::int32_t ringFilled_ = 0;
    std::int32_t screenWidth_ = 0;
    std::int32_t screenHeight_ = 0;
    bool started_ = false;
    bool checking_ = false;
    bool contactDown_ = false;
    SamplePoint heldPosition_{};
    std::int64_t lastSampleMs_ = 0;
    LiftOffRefusal lastRefusal_ = LiftOffRefusal::None;
};

}  // namespace norvessa
