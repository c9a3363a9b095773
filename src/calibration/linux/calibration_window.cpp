#include "calibration/linux/calibration_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTouchEvent>
#include <cmath>

#include "calibration/linux/touch_input.h"
#include "controller/linux/controller_state.h"
#include "protocol/linux/frame_io.h"

namespace norvessa::ui {
namespace {

// A mouse event that Qt made up from a touch the window already handled as a touch.
bool IsFromTouch(const QMouseEvent* event) {
    return event->source() != Qt::MouseEventNotSynthesized;
}

std::int32_t ToPhysical(int logical, double devicePixelRatio) {
    return static_cast<std::int32_t>(std::lround(logical * devicePixelRatio));
}

}  // namespace

CMyDialog::CMyDialog(double pointCount, VerdictTexts texts, FingerHook fingerHook, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      run_(pointCount),
      texts_(std::move(texts)),
      fingerHook_(std::move(fingerHook)) {
    setAttribute(Qt::WA_AcceptTouchEvents);
    setModal(true);
}

CMyDialog::~CMyDialog() {
    // Its callback names this window: no event may be delivered once it is gone.
    listener_.Stop();
}

CalibrationEnd CMyDialog::Run() {
    QScreen* screen =
        parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QRect geometry = screen->geometry();
    devicePixelRatio_ = screen->devicePixelRatio();
    // The layout and the frames speak physical pixels, as the controller does.
    const std::int32_t width = ToPhysical(geometry.width(), devicePixelRatio_);
    const std::int32_t height = ToPhysical(geometry.height(), devicePixelRatio_);
    if (run_.Begin(width, height) != LayoutResult::Ok) {
        return CalibrationEnd::NotStarted;
    }
    for (const CalibrationFrame& frame : run_.OpeningFrames()) {
        SendFrame(CurrentControllerChannel(), frame);
    }
    setGeometry(geometry);
    setWindowState(windowState() | Qt::WindowFullScreen);
    listener_.Start(g_controllerFd, [this](ListenerEvent event) {
        // The listener thread only posts; the window handles the event on its own thread.
        QMetaObject::invokeMethod(
            this, [this, event] { OnListenerEvent(event); }, Qt::QueuedConnection);
    });
    return static_cast<CalibrationEnd>(exec());
}

void CMyDialog::EndForRemoval() {
    done(static_cast<int>(CalibrationEnd::ControllerGone));
}

void CMyDialog::done(int result) {
    if (finished_) {
        return;
    }
    finished_ = true;
    listener_.Stop();
    if (verdictBox_) {
        // A verdict box still open belongs to a run that has ended for another reason.
        verdictBox_->done(QMessageBox::No);
    }
    QDialog::done(result);
}

bool CMyDialog::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            return HandleTouchEvent(event);
        default:
            return QDialog::event(event);
    }
}

bool CMyDialog::HandleTouchEvent(QEvent* event) {
    auto* touch = static_cast<QTouchEvent*>(event);
    // Every finger feeds the one run, in the order the points arrive.
    for (const QEventPoint& point : touch->points()) {
        if (const std::optional<std::uint32_t> flags = TouchFlagsFor(point.state())) {
            OnTouchInput(*flags, ToDevicePixels(point.position(), devicePixelRatio_));
        }
    }
    event->accept();
    return true;
}

void CMyDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !IsFromTouch(event)) {
        OnTouchInput(TOUCH_FLAG_DOWN, ToDevicePixels(event->position(), devicePixelRatio_));
    }
}

void CMyDialog::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && !IsFromTouch(event)) {
        OnTouchInput(TOUCH_FLAG_MOVE, ToDevicePixels(event->position(), devicePixelRatio_));
    }
}

void CMyDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !IsFromTouch(event)) {
        OnTouchInput(TOUCH_FLAG_UP, ToDevicePixels(event->position(), devicePixelRatio_));
    }
}

void CMyDialog::OnTouchInput(std::uint32_t flags, SamplePoint position) {
    const TouchOutcome outcome = run_.OnTouchInput(flags, position.x, position.y);
    if (outcome.frameToSend) {
        SendFrame(CurrentControllerChannel(), *outcome.frameToSend);
    }
    if (outcome.repaint) {
        update();
    }
    if ((flags & TOUCH_FLAG_DOWN) && fingerHook_.down) {
        fingerHook_.down();
    } else if ((flags & TOUCH_FLAG_UP) && !(flags & TOUCH_FLAG_MOVE) && fingerHook_.up) {
        fingerHook_.up();
    }
}

void CMyDialog::keyPressEvent(QKeyEvent* event) {
    // Enter ends the run as Escape does, like the dialog's default OK handling.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        done(static_cast<int>(CalibrationEnd::Closed));
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMyDialog::paintEvent(QPaintEvent*) {
    const std::optional<SamplePoint> cross = run_.CurrentCross();
    if (!cross) {
        return;
    }
    QPainter painter(this);
    // Targets are physical pixels: draw in them, one pixel wide whatever the scale.
    painter.scale(1.0 / devicePixelRatio_, 1.0 / devicePixelRatio_);
    // The arms cover X - 10 .. X + 9 and Y - 10 .. Y + 9: a line to a point stops before it.
    painter.fillRect(QRect(cross->x - CROSS_ARM, cross->y, 2 * CROSS_ARM, 1), Qt::black);
    painter.fillRect(QRect(cross->x, cross->y - CROSS_ARM, 1, 2 * CROSS_ARM), Qt::black);
}

void CMyDialog::OnListenerEvent(ListenerEvent event) {
    if (finished_) {
        return;
    }
    // It has delivered its one event and is ending; join it before anything else happens.
    listener_.Stop();
    switch (event) {
        case ListenerEvent::ControllerGone:
            done(static_cast<int>(CalibrationEnd::ControllerGone));
            return;
        case ListenerEvent::Success:
            succeeded_ = true;
            ShowVerdict(texts_.succeeded, false);
            done(static_cast<int>(CalibrationEnd::Closed));
            return;
        case ListenerEvent::Failure: {
            const int answer = ShowVerdict(texts_.failed, true);
            done(static_cast<int>(answer == QMessageBox::Yes ? CalibrationEnd::Retry
                                                             : CalibrationEnd::Closed));
            return;
        }
    }
}

int CMyDialog::ShowVerdict(const QString& text, bool askForRetry) {
    QMessageBox box(askForRetry ? QMessageBox::Information : QMessageBox::NoIcon, texts_.caption,
                    text, askForRetry ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                    this);
    box.setDefaultButton(askForRetry ? QMessageBox::Yes : QMessageBox::Ok);
    verdictBox_ = &box;
    const int answer = box.exec();
    verdictBox_ = nullptr;
    return answer;
}

}  // namespace norvessa::ui
