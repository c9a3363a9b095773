#pragma once
// The picture that ends a calibration check, as pixel geometry on the checked monitor: each
// point's error as an arrow magnified ERROR_MAGNIFICATION times, the text at the top, and a row
// of large touch buttons at the bottom. Pure; positions in the monitor's physical pixels.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "calibration/check_error.h"

namespace norvessa {

// Errors of a few pixels must be visible at arm's length; the factor is written on the screen.
inline constexpr int ERROR_MAGNIFICATION = 5;

struct CheckArrow {
    PixelPoint from;  // the check point
    PixelPoint to;    // the check point plus the error times ERROR_MAGNIFICATION, kept on screen
    bool within = false;
};

// The arrow is cut where it would leave the screen, keeping its direction.
CheckArrow ArrowFor(const PointError& error, std::int32_t width, std::int32_t height);

enum class CheckButton { Done, CheckAgain, CalibrateAgain, Clear, MapHere };

struct PictureButton {
    CheckButton button;
    PixelRect rect;
};

struct CheckPictureLayout {
    std::int32_t textTop = 0;     // the summary, the legend and the diagnosis start here
    std::int32_t textMargin = 0;  // on the left and right of the text
    std::vector<PictureButton> buttons;
};

// `scale` is physical pixels per logical pixel. The buttons in the given order, one row centred
// at the bottom, narrower when the screen is too narrow for them at full size.
CheckPictureLayout LayoutCheckPicture(std::int32_t width, std::int32_t height, double scale,
                                      std::span<const CheckButton> buttons);

// The button holding `point`, if any.
std::optional<CheckButton> ButtonAt(const CheckPictureLayout& layout, PixelPoint point);

}  // namespace norvessa
