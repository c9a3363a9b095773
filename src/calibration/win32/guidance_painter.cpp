#include "calibration/win32/guidance_painter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "resource.h"
#include "ui/win32/paint_context.h"
#include "ui/win32/resource_string.h"

namespace norvessa::win32 {

namespace {

constexpr double LOGICAL_DPI = 96.0;
constexpr int TEXT_POINTS = 14;
constexpr int POINTS_PER_INCH = 72;
constexpr std::int32_t TEXT_PADDING = 8;
constexpr std::int64_t WIDEST_COUNTDOWN = 10;
constexpr COLORREF CROSS_COLOUR = RGB(0, 0, 0);
constexpr COLORREF TEXT_COLOUR = RGB(0, 0, 0);
constexpr COLORREF HINT_COLOUR = RGB(176, 0, 0);
constexpr COLORREF CUE_TRACK_COLOUR = RGB(200, 200, 200);
constexpr COLORREF CUE_FILLING_COLOUR = RGB(0, 90, 200);
constexpr COLORREF CUE_FULL_COLOUR = RGB(0, 150, 0);
constexpr wchar_t COUNTDOWN_GAP[] = L"   ";

RECT ToRect(const PixelRect& box) {
    return RECT{box.x, box.y, box.x + box.width, box.y + box.height};
}

HFONT GuidanceFont(HWND window, int dpi) {
    LOGFONTW font{};
    auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (dialogFont == nullptr || GetObjectW(dialogFont, sizeof(font), &font) == 0) {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    }
    // Read at arm's length on a kiosk: larger than the dialog's 8 points.
    font.lfHeight = -MulDiv(TEXT_POINTS, dpi, POINTS_PER_INCH);
    font.lfWidth = 0;
    return CreateFontIndirectW(&font);
}

std::int32_t TextWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace

void GuidancePainter::Prepare(HWND window, HINSTANCE resources, const CalibrationRun& run) {
    resources_ = resources;
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    metrics_ = CrossMetricsForScale(dpi / LOGICAL_DPI);
    font_.reset(GuidanceFont(window, dpi));
    std::int32_t widest = 0;
    {
        const SelectedObject font(dc, font_.get());
        TEXTMETRICW text{};
        GetTextMetricsW(dc, &text);
        lineHeight_ = text.tmHeight + text.tmExternalLeading;
        const std::int64_t count = run.TruncatedPointCount();
        const std::vector<std::wstring> lines = {
            Line({IDS_GUIDE_INSTRUCTION}),
            Line({IDS_WAITING_FOR_CONTROLLER}),
            Line({ProgressTextId(run), count, count}) + COUNTDOWN_GAP +
                Line({IDS_GUIDE_COUNTDOWN, WIDEST_COUNTDOWN}),
            Line({IDS_HINT_HOLD_LONGER}),
            Line({IDS_HINT_TOO_MUCH_MOVEMENT}),
        };
        for (const std::wstring& line : lines) {
            widest = std::max(widest, TextWidth(dc, line));
        }
    }
    ReleaseDC(window, dc);
    textBox_ =
        PlaceGuidanceText(run.targets(), static_cast<std::uint32_t>(run.TruncatedPointCount()),
                          run.screenWidth(), run.screenHeight(), widest + 2 * TEXT_PADDING,
                          GUIDANCE_LINES * lineHeight_ + 2 * TEXT_PADDING);
}

RECT GuidancePainter::TextArea() const {
    return textBox_ ? ToRect(*textBox_) : RECT{};
}

RECT GuidancePainter::TargetAreaOf(const CalibrationRun& run, std::uint32_t index) const {
    if (index >= MAX_TARGETS) {
        return RECT{};
    }
    return ToRect(TargetArea(run.targets().x[index], run.targets().y[index], metrics_));
}

std::wstring GuidancePainter::Line(const ResourceText& text) const {
    return FillPlaceholders(LoadResourceString(resources_, static_cast<UINT>(text.id)),
                            std::to_wstring(text.first), std::to_wstring(text.second));
}

std::wstring GuidancePainter::ProgressLine(const GuidanceText& text) const {
    std::wstring line = text.progress ? Line(*text.progress) : std::wstring();
    if (text.countdown) {
        line += (line.empty() ? L"" : COUNTDOWN_GAP) + Line(*text.countdown);
    }
    return line;
}

void GuidancePainter::Paint(HDC dc, const CalibrationRun& run,
                            std::optional<std::int64_t> countdown) const {
    if (const std::optional<SamplePoint> cross = run.CurrentCross()) {
        if (run.contactDown()) {
            PaintHoldCue(dc, *cross, run.HoldProgress());
        }
        PaintCross(dc, *cross);
    }
    if (textBox_) {
        PaintLines(dc, GuidanceFor(run, countdown));
    }
}

void GuidancePainter::PaintCross(HDC dc, SamplePoint at) const {
    const GdiObject brush(CreateSolidBrush(CROSS_COLOUR));
    for (const PixelRect& bar : CrossBars(at.x, at.y, metrics_)) {
        const RECT rect = ToRect(bar);
        FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
    }
}

void GuidancePainter::PaintHoldCue(HDC dc, SamplePoint at, int progress) const {
    const HoldCueRing ring = HoldCueFor(metrics_);
    const RECT bounds{at.x - ring.radius, at.y - ring.radius, at.x + ring.radius + 1,
                      at.y + ring.radius + 1};
    const SelectedObject noFill(dc, GetStockObject(NULL_BRUSH));
    const bool full = progress >= HOLD_PROGRESS_FULL;
    {
        const GdiObject track(
            CreatePen(PS_SOLID, ring.width, full ? CUE_FULL_COLOUR : CUE_TRACK_COLOUR));
        const SelectedObject pen(dc, track.get());
        Ellipse(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    }
    if (full || progress <= 0) {
        return;
    }
    // Clockwise from twelve o'clock, a tenth of the ring per steady sample.
    const double angle = 2.0 * std::numbers::pi * progress / HOLD_PROGRESS_FULL;
    const int endX = at.x + static_cast<int>(std::lround(ring.radius * std::sin(angle)));
    const int endY = at.y - static_cast<int>(std::lround(ring.radius * std::cos(angle)));
    const GdiObject filling(CreatePen(PS_SOLID, ring.width, CUE_FILLING_COLOUR));
    const SelectedObject pen(dc, filling.get());
    const int previousDirection = SetArcDirection(dc, AD_CLOCKWISE);
    Arc(dc, bounds.left, bounds.top, bounds.right, bounds.bottom, at.x, at.y - ring.radius, endX,
        endY);
    SetArcDirection(dc, previousDirection);
}

void GuidancePainter::PaintLines(HDC dc, const GuidanceText& text) const {
    const SelectedObject font(dc, font_.get());
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const std::wstring lines[GUIDANCE_LINES] = {Line(text.heading), ProgressLine(text),
                                                text.hint ? Line(*text.hint) : std::wstring()};
    RECT line = ToRect(*textBox_);
    line.top += TEXT_PADDING;
    for (int i = 0; i < GUIDANCE_LINES; ++i) {
        line.bottom = line.top + lineHeight_;
        SetTextColor(dc, i == GUIDANCE_LINES - 1 ? HINT_COLOUR : TEXT_COLOUR);
        std::wstring shown = lines[i];
        DrawTextW(dc, shown.data(), static_cast<int>(shown.size()), &line,
                  DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER);
        line.top = line.bottom;
    }
    SetBkMode(dc, previousMode);
}

}  // namespace norvessa::win32
