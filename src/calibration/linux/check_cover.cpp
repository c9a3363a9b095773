#include "calibration/linux/check_cover.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTouchEvent>

namespace norvessa::ui {
namespace {

const QColor COVER_COLOUR(24, 24, 28);
const QColor COVER_TEXT_COLOUR(200, 200, 200);
constexpr int COVER_TEXT_PIXELS = 28;

}  // namespace

CheckCover::CheckCover(QWidget* owner, QScreen& screen, QString text, PointerMapping mapping,
                       CoverHooks hooks)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint),
      screen_(&screen),
      text_(std::move(text)),
      mapping_(mapping),
      hooks_(std::move(hooks)) {
    setAttribute(Qt::WA_AcceptTouchEvents);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(text_);
}

void CheckCover::ShowOver() {
    // Wayland places a full-screen window on the output it was given, not where it is moved.
    setScreen(screen_);
    setGeometry(screen_->geometry());
    setWindowState(windowState() | Qt::WindowFullScreen);
    show();
}

bool CheckCover::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            if (hooks_.touch) {
                hooks_.touch(static_cast<QTouchEvent*>(event), mapping_);
            }
            event->accept();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (hooks_.mouse) {
                hooks_.mouse(static_cast<QMouseEvent*>(event), mapping_);
            }
            return true;
        default:
            return QWidget::event(event);
    }
}

void CheckCover::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && hooks_.escape) {
        hooks_.escape();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CheckCover::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), COVER_COLOUR);
    QFont font = painter.font();
    font.setPixelSize(COVER_TEXT_PIXELS);
    painter.setFont(font);
    painter.setPen(COVER_TEXT_COLOUR);
    painter.drawText(rect(), Qt::AlignCenter, text_);
}

}  // namespace norvessa::ui
