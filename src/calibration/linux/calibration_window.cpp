#include "calibration/linux/calibration_window.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTouchEvent>
#include <cmath>

#include "calibration/linux/calibration_screen.h"
#include "calibration/linux/touch_input.h"
#include "controller/linux/controller_state.h"
#include "controller/log.h"
#include "protocol/linux/exchange.h"
#include "protocol/linux/frame_io.h"

namespace norvessa::ui {

CMyDialog::CMyDialog(double pointCount, VerdictTexts texts, FingerHook fingerHook,
                     CalibrationTimings timings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      run_(pointCount),
      texts_(std::move(texts)),
      fingerHook_(std::move(fingerHook)),
      guidance_(texts_.strings),
      input_(run_, guidance_, timings, InputHooks()) {
    setAttribute(Qt::WA_AcceptTouchEvents);
    setModal(true);
}

RunInputHooks CMyDialog::InputHooks() {
    return {
        .taken = [this](std::uint32_t flags,
                        const TouchOutcome& outcome) { return OnInputTaken(flags, outcome); },
        .handled = [this](std::uint32_t flags) { OnInputHandled(flags); },
        .repaint = [this](const QRect& physical) { UpdatePhysical(physical); },
        // As Escape ends it: the listener is stopped in done() before the window goes.
        .timedOut = [this] { done(static_cast<int>(CalibrationEnd::TimedOut)); },
    };
}

CMyDialog::~CMyDialog() {
    // Its callback names this window: no event may be delivered once it is gone.
    listener_.Stop();
}

CalibrationEnd CMyDialog::Run() {
    QScreen* screen = CalibrationScreen(parentWidget());
    const QRect geometry = screen->geometry();
    // The layout and the frames speak the covered output's own pixels, as the controller does:
    // its size, and positions from its top-left corner.
    const std::optional<ScreenPixels> pixels = CoveredPixels(*screen);
    if (!pixels) {
        return CalibrationEnd::CannotCover;
    }
    pixelsPerLogical_ = pixels->perLogical;
    const std::int32_t width = pixels->size.width;
    const std::int32_t height = pixels->size.height;
    if (run_.Begin(width, height) != LayoutResult::Ok) {
        return CalibrationEnd::NotStarted;
    }
    // A reply to an earlier exchange, queued or still to come, must not end this run: the
    // listener would take it as this run's verdict.
    switch (BeginExchange(CurrentControllerChannel())) {
        case ExchangeStart::NotResponding:
            return CalibrationEnd::NotResponding;
        case ExchangeStart::ControllerGone:
            return CalibrationEnd::ControllerGone;
        case ExchangeStart::NoController:
        case ExchangeStart::Ready:
            break;
    }
    // Listening before the first frame: a run without a listener could end only by its time-out.
    const bool listening = listener_.Start(g_controllerFd, [this](ListenerEvent event) {
        // The listener thread only posts; the window handles the event on its own thread.
        QMetaObject::invokeMethod(
            this, [this, event] { OnListenerEvent(event); }, Qt::QueuedConnection);
    });
    if (!listening) {
        LogError("calibration not started: its verdict listener could not start");
        return CalibrationEnd::NotStarted;
    }
    for (const CalibrationFrame& frame : run_.OpeningFrames()) {
        if (!Send(frame)) {
            listener_.Stop();
            EndExchange(CurrentControllerChannel());
            return CalibrationEnd::ControllerGone;
        }
    }
    guidance_.Prepare(run_, pixelsPerLogical_, width, height);
    input_.Start();
    // Wayland places a full-screen window on the output it was given, not where it is moved.
    setScreen(screen);
    setGeometry(geometry);
    setWindowState(windowState() | Qt::WindowFullScreen);
    return static_cast<CalibrationEnd>(exec());
}

void CMyDialog::EndForRemoval() {
    done(static_cast<int>(CalibrationEnd::Removed));
}

bool CMyDialog::Send(const CalibrationFrame& frame) {
    // A frame that timed out or was refused is not reported: it stays queued in order, or the
    // controller never acknowledged frames anyway. Only a controller that is gone ends the run.
    return SendFrame(CurrentControllerChannel(), frame) != WriteStatus::Gone;
}

void CMyDialog::done(int result) {
    if (finished_) {
        return;
    }
    finished_ = true;
    listener_.Stop();
    // Point frames still queued behind a stuck one belong to this run only.
    EndExchange(CurrentControllerChannel());
    input_.Stop();
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
            input_.HandleTouch(static_cast<QTouchEvent*>(event), Mapping());
            event->accept();
            return true;
        default:
            return QDialog::event(event);
    }
}

void CMyDialog::mousePressEvent(QMouseEvent* event) {
    input_.HandleMouse(event, Mapping());
}

void CMyDialog::mouseMoveEvent(QMouseEvent* event) {
    input_.HandleMouse(event, Mapping());
}

void CMyDialog::mouseReleaseEvent(QMouseEvent* event) {
    input_.HandleMouse(event, Mapping());
}

bool CMyDialog::OnInputTaken(std::uint32_t, const TouchOutcome& outcome) {
    if (outcome.frameToSend && !Send(*outcome.frameToSend)) {
        done(static_cast<int>(CalibrationEnd::ControllerGone));
        return false;
    }
    return true;
}

void CMyDialog::OnInputHandled(std::uint32_t flags) {
    if ((flags & TOUCH_FLAG_DOWN) && fingerHook_.down) {
        fingerHook_.down();
    } else if ((flags & TOUCH_FLAG_UP) && !(flags & TOUCH_FLAG_MOVE) && fingerHook_.up) {
        fingerHook_.up();
    }
}

void CMyDialog::UpdatePhysical(const QRect& physical) {
    update(PhysicalToLogical(physical, pixelsPerLogical_));
}

std::array<QString, GUIDANCE_LINES> CMyDialog::GuidanceLines() const {
    return guidance_.Lines(run_, input_.countdown());
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
    if (!run_.started()) {
        return;
    }
    QPainter painter(this);
    // Targets are physical pixels: draw in them, the cross exactly on its target's pixels.
    painter.scale(1.0 / pixelsPerLogical_, 1.0 / pixelsPerLogical_);
    guidance_.Paint(painter, run_, input_.countdown());
}

void CMyDialog::OnListenerEvent(ListenerEvent event) {
    if (finished_) {
        return;
    }
    // It has delivered its one event and is ending; join it before anything else happens.
    listener_.Stop();
    // The verdict came: the user may read its box as long as they like.
    input_.Stop();
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
    // A compositor may keep a full-screen window in a layer above every ordinary one, its own
    // dialogs included (weston does), and a client cannot raise one over it: the run is over,
    // so the window goes before its box comes. Hiding ends this dialog's own loop; done() below
    // still sets what that loop returns.
    if (OnWayland()) {
        hide();
    }
    verdictBox_ = &box;
    const int answer = box.exec();
    verdictBox_ = nullptr;
    return answer;
}

}  // namespace norvessa::ui
