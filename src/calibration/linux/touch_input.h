#pragma once
// From Qt's pointer events to the run's touch records: which flag a point's state carries and
// where it lies in the physical pixels of the target layout.

#include <QEventPoint>
#include <QPointF>
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

}  // namespace norvessa::ui
