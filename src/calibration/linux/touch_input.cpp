#include "calibration/linux/touch_input.h"

#include <cmath>

namespace norvessa::ui {

std::optional<std::uint32_t> TouchFlagsFor(QEventPoint::State state) {
    switch (state) {
        case QEventPoint::State::Pressed:
            return TOUCH_FLAG_DOWN;
        case QEventPoint::State::Updated:
            return TOUCH_FLAG_MOVE;
        case QEventPoint::State::Released:
            return TOUCH_FLAG_UP;
        default:
            return std::nullopt;
    }
}

SamplePoint ToDevicePixels(QPointF logical, double devicePixelRatio) {
    return {static_cast<std::int32_t>(std::floor(logical.x() * devicePixelRatio)),
            static_cast<std::int32_t>(std::floor(logical.y() * devicePixelRatio))};
}

QRect PhysicalToLogical(const QRect& physical, double devicePixelRatio) {
    if (physical.isEmpty()) {
        return {};
    }
    const double ratio = devicePixelRatio;
    return {QPoint(static_cast<int>(std::floor(physical.left() / ratio)),
                   static_cast<int>(std::floor(physical.top() / ratio))),
            QPoint(static_cast<int>(std::ceil((physical.right() + 1) / ratio)),
                   static_cast<int>(std::ceil((physical.bottom() + 1) / ratio)))};
}

std::int64_t EventClock::ForEvent(std::uint64_t timestamp, std::int64_t steadyMs) {
    std::int64_t time = Now(steadyMs);
    const auto stamp = static_cast<std::uint32_t>(timestamp);
    if (timestamp != 0) {
        if (stamped_) {
            // The signed difference of two 32-bit stamps survives their wrap.
            time = lastEventMs_ + static_cast<std::int32_t>(stamp - lastStamp_);
        }
        stamped_ = true;
        lastStamp_ = stamp;
    }
    lastEventMs_ = time;
    lastSteadyMs_ = steadyMs;
    return time;
}

std::int64_t EventClock::Now(std::int64_t steadyMs) const {
    return lastEventMs_ + (steadyMs - lastSteadyMs_);
}

}  // namespace norvessa::ui
