#include "calibration/check_picture.h"

#include <algorithm>
#include <cmath>

namespace norvessa {
namespace {

// Logical pixels: a button about 15 mm tall at 96 DPI, easy to hit with a finger.
constexpr double BUTTON_WIDTH = 200;
constexpr double BUTTON_HEIGHT = 56;
constexpr double BUTTON_GAP = 24;
constexpr double EDGE_MARGIN = 24;

std::int32_t Scaled(double logical, double scale) {
    return static_cast<std::int32_t>(std::lround(logical * scale));
}

bool Contains(const PixelRect& rect, PixelPoint point) {
    return point.x >= rect.x && point.x < rect.x + rect.width && point.y >= rect.y &&
           point.y < rect.y + rect.height;
}

}  // namespace

CheckArrow ArrowFor(const PointError& error, std::int32_t width, std::int32_t height) {
    const double fromX = error.target.x;
    const double fromY = error.target.y;
    double dx = error.dx * ERROR_MAGNIFICATION;
    double dy = error.dy * ERROR_MAGNIFICATION;
    // The share of the arrow that stays within 0 .. size - 1 on each axis.
    double keep = 1.0;
    const auto limit = [&keep](double from, double delta, double size) {
        if (from + delta < 0) {
            keep = std::min(keep, from / -delta);
        } else if (from + delta > size - 1) {
            keep = std::min(keep, (size - 1 - from) / delta);
        }
    };
    limit(fromX, dx, width);
    limit(fromY, dy, height);
    keep = std::max(keep, 0.0);
    dx *= keep;
    dy *= keep;
    return CheckArrow{error.target,
                      PixelPoint{static_cast<std::int32_t>(std::lround(fromX + dx)),
                                 static_cast<std::int32_t>(std::lround(fromY + dy))},
                      error.within};
}

CheckPictureLayout LayoutCheckPicture(std::int32_t width, std::int32_t height, double scale,
                                      std::span<const CheckButton> buttons) {
    CheckPictureLayout layout;
    const std::int32_t margin = Scaled(EDGE_MARGIN, scale);
    layout.textTop = margin;
    layout.textMargin = margin;
    if (buttons.empty()) {
        return layout;
    }
    const auto count = static_cast<std::int32_t>(buttons.size());
    const std::int32_t gap = Scaled(BUTTON_GAP, scale);
    const std::int32_t room = std::max(width - 2 * margin - (count - 1) * gap, count);
    const std::int32_t buttonWidth = std::min(Scaled(BUTTON_WIDTH, scale), room / count);
    const std::int32_t buttonHeight = std::min(Scaled(BUTTON_HEIGHT, scale), height / 4);
    const std::int32_t rowWidth = count * buttonWidth + (count - 1) * gap;
    std::int32_t x = (width - rowWidth) / 2;
    const std::int32_t y = height - margin - buttonHeight;
    for (const CheckButton button : buttons) {
        layout.buttons.push_back({button, PixelRect{x, y, buttonWidth, buttonHeight}});
        x += buttonWidth + gap;
    }
    return layout;
}

std::optional<CheckButton> ButtonAt(const CheckPictureLayout& layout, PixelPoint point) {
    for (const PictureButton& button : layout.buttons) {
        if (Contains(button.rect, point)) {
            return button.button;
        }
    }
    return std::nullopt;
}

}  // namespace norvessa
