#include "calibration/linux/guidance_view.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "calibration/linux/calibration_screen.h"
#include "resource.h"

namespace norvessa::ui {
namespace {

// Readable at arm's length on a kiosk screen: logical pixels, scaled with the screen.
constexpr double TEXT_PIXELS = 22.0;
constexpr double TEXT_PADDING = 8.0;
const QColor HINT_COLOUR(170, 30, 30);
const QColor CUE_TRACK_COLOUR(200, 200, 200);
const QColor CUE_HOLDING_COLOUR(0, 100, 200);
const QColor CUE_READY_COLOUR(0, 140, 60);

}  // namespace

GuidanceView::GuidanceView(std::function<QString(int id)> strings) : strings_(std::move(strings)) {}

void GuidanceView::Prepare(const CalibrationRun& run, double scale, std::int32_t screenWidth,
                           std::int32_t screenHeight) {
    metrics_ = CrossMetricsForScale(scale);
    font_ = QGuiApplication::font();
    font_.setPixelSize(static_cast<int>(std::lround(TEXT_PIXELS * scale)));
    lineHeight_ = QFontMetrics(font_).lineSpacing();
    padding_ = static_cast<int>(std::lround(TEXT_PADDING * scale));
    const int width = WidestLine(run) + 2 * padding_;
    const int height = GUIDANCE_LINES * lineHeight_ + 2 * padding_;
    const std::optional<PixelRect> place =
        PlaceGuidanceText(run.targets(), static_cast<std::uint32_t>(run.TruncatedPointCount()),
                          screenWidth, screenHeight, width, height);
    textBox_ = place ? ToQRect(*place) : QRect();
}

int GuidanceView::WidestLine(const CalibrationRun& run) const {
    // Every text the box will ever hold, with the widest numbers it can show.
    const std::int64_t count = run.TruncatedPointCount();
    const QString progress = Text({ProgressTextId(run), count, count});
    const QString countdown = Text({IDS_GUIDE_COUNTDOWN, 10});
    const QFontMetrics metrics(font_);
    int widest = metrics.horizontalAdvance(progress + QStringLiteral("   ") + countdown);
    for (int id : {IDS_GUIDE_INSTRUCTION, IDS_WAITING_FOR_CONTROLLER, IDS_HINT_HOLD_LONGER,
                   IDS_HINT_TOO_MUCH_MOVEMENT}) {
        widest = std::max(widest, metrics.horizontalAdvance(Text({id})));
    }
    return widest;
}

QString GuidanceView::Text(const ResourceText& text) const {
    const std::string pattern = strings_ ? strings_(text.id).toStdString() : std::string();
    return QString::fromStdString(FillPlaceholders<std::string>(pattern, std::to_string(text.first),
                                                                std::to_string(text.second)));
}

std::array<QString, GUIDANCE_LINES> GuidanceView::Lines(
    const CalibrationRun& run, std::optional<std::int64_t> countdownSeconds) const {
    const GuidanceText guidance = GuidanceFor(run, countdownSeconds);
    QStringList middle;
    if (guidance.progress) {
        middle << Text(*guidance.progress);
    }
    if (guidance.countdown) {
        middle << Text(*guidance.countdown);
    }
    return {Text(guidance.heading), middle.join(QStringLiteral("   ")),
            guidance.hint ? Text(*guidance.hint) : QString()};
}

QRect GuidanceView::CurrentTargetArea(const CalibrationRun& run) const {
    const std::optional<SamplePoint> cross = run.CurrentCross();
    return cross ? ToQRect(TargetArea(cross->x, cross->y, metrics_)) : QRect();
}

void GuidanceView::Paint(QPainter& painter, const CalibrationRun& run,
                         std::optional<std::int64_t> countdownSeconds) const {
    if (const std::optional<SamplePoint> cross = run.CurrentCross()) {
        if (run.contactDown()) {
            PaintHoldCue(painter, *cross, run.HoldProgress());
        }
        PaintCross(painter, *cross);
    }
    if (!textBox_.isEmpty()) {
        PaintText(painter, run, countdownSeconds);
    }
}

void GuidanceView::PaintCross(QPainter& painter, SamplePoint target) const {
    for (const PixelRect& bar : CrossBars(target.x, target.y, metrics_)) {
        painter.fillRect(ToQRect(bar), Qt::black);
    }
}

void GuidanceView::PaintHoldCue(QPainter& painter, SamplePoint target, int progress) const {
    const HoldCueRing ring = HoldCueFor(metrics_);
    const QRectF circle(target.x - ring.radius, target.y - ring.radius, 2.0 * ring.radius,
                        2.0 * ring.radius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(CUE_TRACK_COLOUR, ring.width));
    painter.drawEllipse(circle);
    const bool ready = progress >= HOLD_PROGRESS_FULL;
    painter.setPen(QPen(ready ? CUE_READY_COLOUR : CUE_HOLDING_COLOUR, ring.width, Qt::SolidLine,
                        Qt::FlatCap));
    // Clockwise from twelve o'clock; Qt counts sixteenths of a degree, anticlockwise.
    const int span = -360 * 16 * progress / HOLD_PROGRESS_FULL;
    painter.drawArc(circle, 90 * 16, span);
    painter.restore();
}

void GuidanceView::PaintText(QPainter& painter, const CalibrationRun& run,
                             std::optional<std::int64_t> countdownSeconds) const {
    const std::array<QString, GUIDANCE_LINES> lines = Lines(run, countdownSeconds);
    painter.save();
    painter.setFont(font_);
    QRect line(textBox_.x(), textBox_.y() + padding_, textBox_.width(), lineHeight_);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        painter.setPen(i + 1 == lines.size() ? HINT_COLOUR : QColor(Qt::black));
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter, lines[i]);
        line.translate(0, lineHeight_);
    }
    painter.restore();
}

}  // namespace norvessa::ui
