#pragma once
// From Qt's pointer events to the run's touch records: which flag a point's state carries,
// where it lies in the physical pixels of the target layout, and when it happened on the
// timeline the sampling tick shares.

#include <QEventPoint>
#include <QPointF>
#include <QRect>
#include <cstdint>
#include <optional>

#include "calibration/calibration_run.h"

namespace norvessa::ui {

// Pressed is a touch-down, Updated a move, Released a lift-off. A stationary point did not
// move and is no input of its own.
std::optional<std::uint32_t> TouchFlagsFor(QEventPoint::State state);

// Logical widget coordinates to the window's physical pixels, truncated toward the pixel that
// holds the point as the platform's touch coordinates are.
SamplePoint ToDevicePixels(QPointF logical, double devicePixelRatio);

// The logical widget pixels that cover every physical pixel of `physical`: what to repaint.
// Empty for an empty rectangle.
QRect PhysicalToLogical(const QRect& physical, double devicePixelRatio);

// Event timestamps are the windowing system's milliseconds (32 bits on X11, and late when the
// user-interface thread was held up); the sampling tick reads the monotonic clock. This puts
// both on one 64-bit timeline: events keep the spacing of their timestamps, and the tick's
// "now" runs on from the last event by the monotonic time since it was handled.
class EventClock {
  public:
    // The time of an event stamped `timestamp`, handled at monotonic `steadyMs`. A stamp of 0
    // (an event made up in the program) counts as handled now.
    std::int64_t ForEvent(std::uint64_t timestamp, std::int64_t steadyMs);
    std::int64_t Now(std::int64_t steadyMs) const;

  private:
    bool stamped_ = false;
    std::uint32_t lastStamp_ = 0;
    std::int64_t lastEventMs_ = 0;
    std::int64_t lastSteadyMs_ = 0;
};

}  // namespace norvessa::ui
