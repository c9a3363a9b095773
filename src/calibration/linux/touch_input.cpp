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

}  // namespace norvessa::ui
