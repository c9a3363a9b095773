#include "calibration/linux/check_picture_view.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "calibration/linux/calibration_screen.h"

namespace norvessa::ui {
namespace {

// Logical pixels, scaled with the screen: readable at arm's length.
constexpr double TEXT_PIXELS = 26.0;
constexpr double BUTTON_TEXT_PIXELS = 22.0;
constexpr double DOT_RADIUS = 5.0;
constexpr double ARROW_WIDTH = 3.0;
constexpr double ARROW_HEAD = 12.0;
constexpr double TRAIL_WIDTH = 3.0;
const QColor WITHIN_COLOUR(0, 150, 60);
const QColor BEYOND_COLOUR(210, 30, 30);
const QColor TOUCH_COLOUR(30, 30, 30);
const QColor TRAIL_COLOUR(0, 90, 220);
const QColor BUTTON_COLOUR(225, 228, 235);
const QColor BUTTON_EDGE_COLOUR(90, 95, 110);

QPointF ToQPoint(PixelPoint point) {
    return {static_cast<double>(point.x), static_cast<double>(point.y)};
}

void PaintArrowHead(QPainter& painter, QPointF from, QPointF to, double size) {
    const QPointF along = to - from;
    const double length = std::hypot(along.x(), along.y());
    if (length < 1.0) {
        return;
    }
    const QPointF unit = along / length;
    const QPointF across(-unit.y(), unit.x());
    const QPointF base = to - unit * size;
    painter.drawPolygon(QPolygonF({to, base + across * (size / 2), base - across * (size / 2)}));
}

}  // namespace

void CheckPictureView::Prepare(const CheckMeasurement& measurement, std::int32_t width,
                               std::int32_t height, double scale,
                               const std::vector<CheckButton>& buttons, PictureTexts texts) {
    points_ = measurement.points;
    passed_ = measurement.passed;
    arrows_.clear();
    for (const PointError& point : points_) {
        arrows_.push_back(ArrowFor(point, width, height));
    }
    layout_ = LayoutCheckPicture(width, height, scale, buttons);
    texts_ = std::move(texts);
    width_ = width;
    scale_ = scale;
    metrics_ = CrossMetricsForScale(scale);
    font_ = QGuiApplication::font();
    font_.setPixelSize(static_cast<int>(std::lround(TEXT_PIXELS * scale)));
    buttonFont_ = font_;
    buttonFont_.setPixelSize(static_cast<int>(std::lround(BUTTON_TEXT_PIXELS * scale)));
    trail_.clear();
}

void CheckPictureView::BeginStroke(QPoint physical) {
    trail_.push_back(QPolygon({physical}));
}

void CheckPictureView::ExtendStroke(QPoint physical) {
    if (trail_.empty()) {
        BeginStroke(physical);
        return;
    }
    trail_.back() << physical;
}

void CheckPictureView::Paint(QPainter& painter) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    PaintPoints(painter);
    PaintTexts(painter);
    PaintButtons(painter);
    PaintTrail(painter);
    painter.restore();
}

void CheckPictureView::PaintPoints(QPainter& painter) const {
    for (std::size_t i = 0; i < points_.size(); ++i) {
        for (const PixelRect& bar : CrossBars(points_[i].target.x, points_[i].target.y, metrics_)) {
            painter.fillRect(ToQRect(bar), Qt::black);
        }
        const QColor colour = arrows_[i].within ? WITHIN_COLOUR : BEYOND_COLOUR;
        const QPointF from = ToQPoint(arrows_[i].from);
        const QPointF to = ToQPoint(arrows_[i].to);
        painter.setPen(QPen(colour, ARROW_WIDTH * scale_, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(from, to);
        painter.setBrush(colour);
        PaintArrowHead(painter, from, to, ARROW_HEAD * scale_);
        painter.setPen(Qt::NoPen);
        painter.setBrush(TOUCH_COLOUR);
        const double radius = DOT_RADIUS * scale_;
        painter.drawEllipse(ToQPoint(points_[i].touch), radius, radius);
    }
}

void CheckPictureView::PaintTexts(QPainter& painter) const {
    painter.setFont(font_);
    const int lineHeight = QFontMetrics(font_).lineSpacing();
    QRect line(layout_.textMargin, layout_.textTop, width_ - 2 * layout_.textMargin, lineHeight);
    const QString lines[] = {texts_.summary, texts_.legend, texts_.diagnosis};
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        painter.setPen(i == 0 ? (passed_ ? WITHIN_COLOUR : BEYOND_COLOUR) : QColor(Qt::black));
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, lines[i]);
        line.translate(0, lineHeight);
    }
}

void CheckPictureView::PaintButtons(QPainter& painter) const {
    painter.setFont(buttonFont_);
    for (const PictureButton& button : layout_.buttons) {
        const QRect rect = ToQRect(button.rect);
        painter.setPen(QPen(BUTTON_EDGE_COLOUR, std::max(1.0, scale_)));
        painter.setBrush(BUTTON_COLOUR);
        const double corner = 8.0 * scale_;
        painter.drawRoundedRect(rect, corner, corner);
        painter.setPen(Qt::black);
        const auto label = texts_.buttons.find(button.button);
        painter.drawText(rect, Qt::AlignCenter | Qt::TextWordWrap,
                         label == texts_.buttons.end() ? QString() : label->second);
    }
}

void CheckPictureView::PaintTrail(QPainter& painter) const {
    painter.setPen(
        QPen(TRAIL_COLOUR, TRAIL_WIDTH * scale_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    for (const QPolygon& stroke : trail_) {
        if (stroke.size() == 1) {
            painter.drawPoint(stroke.front());
        } else {
            painter.drawPolyline(stroke);
        }
    }
}

}  // namespace norvessa::ui
