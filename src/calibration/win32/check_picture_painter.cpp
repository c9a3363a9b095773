#include "calibration/win32/check_picture_painter.h"

#include <algorithm>
#include <cmath>

#include "calibration/screen_geometry.h"
#include "ui/win32/paint_context.h"

namespace norvessa::win32 {

namespace {

constexpr COLORREF BACKGROUND = RGB(255, 255, 255);
constexpr COLORREF INK = RGB(0, 0, 0);
constexpr COLORREF WITHIN = RGB(0, 150, 0);
constexpr COLORREF OUTSIDE = RGB(200, 0, 0);
constexpr COLORREF TRAIL = RGB(0, 90, 200);
constexpr COLORREF BUTTON_FACE = RGB(225, 225, 225);
constexpr int TEXT_POINTS = 16;
constexpr int BUTTON_POINTS = 18;
constexpr int POINTS_PER_INCH = 72;
constexpr double LOGICAL_DPI = 96.0;
constexpr int DOT_RADIUS = 4;
constexpr int LINE_WIDTH = 2;
constexpr int ARROW_HEAD = 10;
constexpr double ARROW_HEAD_ANGLE = 0.45;
constexpr double ARROW_HEAD_SHARE = 0.4;

HFONT PictureFont(HWND window, double scale, int points) {
    LOGFONTW font{};
    auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (dialogFont == nullptr || GetObjectW(dialogFont, sizeof(font), &font) == 0) {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    }
    font.lfHeight =
        -MulDiv(points, static_cast<int>(std::lround(scale * LOGICAL_DPI)), POINTS_PER_INCH);
    font.lfWidth = 0;
    return CreateFontIndirectW(&font);
}

void FillBox(HDC dc, const RECT& box, COLORREF colour) {
    const GdiObject brush(CreateSolidBrush(colour));
    FillRect(dc, &box, static_cast<HBRUSH>(brush.get()));
}

RECT ToRect(const PixelRect& box) {
    return RECT{box.x, box.y, box.x + box.width, box.y + box.height};
}

void Line(HDC dc, PixelPoint from, PixelPoint to) {
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
}

}  // namespace

void CheckPicturePainter::Prepare(HWND window, double scale) {
    scale_ = scale;
    textFont_.reset(PictureFont(window, scale, TEXT_POINTS));
    buttonFont_.reset(PictureFont(window, scale, BUTTON_POINTS));
}

void CheckPicturePainter::Paint(HDC dc, const CheckPicture& picture, std::int32_t width,
                                std::int32_t height) const {
    FillBox(dc, RECT{0, 0, width, height}, BACKGROUND);
    for (const PointError& point : picture.points) {
        PaintPoint(dc, point, width, height);
    }
    PaintLines(dc, picture, width);
    PaintButtons(dc, picture);
    PaintTrail(dc, picture);
}

void CheckPicturePainter::PaintPoint(HDC dc, const PointError& point, std::int32_t width,
                                     std::int32_t height) const {
    const CrossMetrics metrics = CrossMetricsForScale(scale_);
    for (const PixelRect& bar : CrossBars(point.target.x, point.target.y, metrics)) {
        FillBox(dc, ToRect(bar), INK);
    }
    const COLORREF colour = point.within ? WITHIN : OUTSIDE;
    const int stroke = std::max(1, static_cast<int>(std::lround(LINE_WIDTH * scale_)));
    const GdiObject pen(CreatePen(PS_SOLID, stroke, colour));
    const GdiObject brush(CreateSolidBrush(colour));
    const SelectedObject penIn(dc, pen.get());
    const SelectedObject brushIn(dc, brush.get());
    const CheckArrow arrow = ArrowFor(point, width, height);
    Line(dc, arrow.from, arrow.to);
    const double dx = arrow.to.x - arrow.from.x;
    const double dy = arrow.to.y - arrow.from.y;
    const double angle = std::atan2(dy, dx);
    // A short arrow keeps a head in proportion, so it still reads as an arrow.
    const double head = std::min(ARROW_HEAD * scale_, std::hypot(dx, dy) * ARROW_HEAD_SHARE);
    if (arrow.from.x != arrow.to.x || arrow.from.y != arrow.to.y) {
        for (const double side : {ARROW_HEAD_ANGLE, -ARROW_HEAD_ANGLE}) {
            const PixelPoint barb{
                static_cast<std::int32_t>(std::lround(arrow.to.x - head * std::cos(angle + side))),
                static_cast<std::int32_t>(std::lround(arrow.to.y - head * std::sin(angle + side)))};
            Line(dc, arrow.to, barb);
        }
    }
    // The touch itself, where it really landed (on this monitor or not).
    const int dot = static_cast<int>(std::lround(DOT_RADIUS * scale_));
    Ellipse(dc, point.touch.x - dot, point.touch.y - dot, point.touch.x + dot + 1,
            point.touch.y + dot + 1);
}

void CheckPicturePainter::PaintLines(HDC dc, const CheckPicture& picture,
                                     std::int32_t width) const {
    const SelectedObject font(dc, textFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, INK);
    RECT box{picture.layout.textMargin, picture.layout.textTop, width - picture.layout.textMargin,
             picture.layout.textTop};
    for (const std::wstring& line : picture.lines) {
        RECT measured = box;
        DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &measured,
                  DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
        const LONG height = measured.bottom - measured.top;
        RECT shown{box.left, box.top, box.right, box.top + height};
        DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &shown,
                  DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        box.top += height;
    }
}

void CheckPicturePainter::PaintButtons(HDC dc, const CheckPicture& picture) const {
    const SelectedObject font(dc, buttonFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, INK);
    const GdiObject pen(CreatePen(PS_SOLID, 1, INK));
    const SelectedObject penIn(dc, pen.get());
    for (std::size_t i = 0; i < picture.layout.buttons.size(); ++i) {
        RECT box = ToRect(picture.layout.buttons[i].rect);
        FillBox(dc, box, BUTTON_FACE);
        const SelectedObject hollow(dc, GetStockObject(HOLLOW_BRUSH));
        Rectangle(dc, box.left, box.top, box.right, box.bottom);
        if (i < picture.buttonLabels.size()) {
            const std::wstring& label = picture.buttonLabels[i];
            DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &box,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
    }
}

void CheckPicturePainter::PaintTrail(HDC dc, const CheckPicture& picture) const {
    const int stroke = std::max(1, static_cast<int>(std::lround(LINE_WIDTH * scale_)));
    const GdiObject pen(CreatePen(PS_SOLID, stroke, TRAIL));
    const SelectedObject penIn(dc, pen.get());
    for (const std::vector<PixelPoint>& line : picture.trail) {
        if (line.size() == 1) {
            SetPixel(dc, line[0].x, line[0].y, TRAIL);
            continue;
        }
        std::vector<POINT> points;
        points.reserve(line.size());
        for (const PixelPoint& p : line) {
            points.push_back(POINT{p.x, p.y});
        }
        Polyline(dc, points.data(), static_cast<int>(points.size()));
    }
}

}  // namespace norvessa::win32
