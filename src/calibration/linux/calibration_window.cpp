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
namespace {

// A mouse event that Qt made up from a touch the window already handled as a touch.
bool IsFromTouch(const QMouseEvent* event) {
    return event->source() != Qt::MouseEventNotSynthesized;
}

// Queued motion must reach the run as it happened, not merged into its last position.
constexpr Qt::ApplicationAttribute COMPRESSION_ATTRIBUTES[] = {Qt::AA_CompressHighFrequencyEvents,
                                                               Qt::AA_CompressTabletEvents};

}  // namespace

CMyDialog::CMyDialog(double pointCount, VerdictTexts texts, FingerHook fingerHook,
                     CalibrationTimings timings, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      run_(pointCount),
      texts_(std::move(texts)),
      fingerHook_(std::move(fingerHook)),
      guidance_(texts_.strings),
      timeout_(timings.timeoutMs, timings.countdownMs) {
    setAttribute(Qt::WA_AcceptTouchEvents);
    setModal(true);
    steady_.start();
    sampleTimer_.setTimerType(Qt::PreciseTimer);
    sampleTimer_.setInterval(static_cast<int>(SAMPLE_INTERVAL_MS));
    connect(&sampleTimer_, &QTimer::timeout, this, [this] { OnSampleTick(); });
    timeoutTimer_.setSingleShot(true);
    timeoutTimer_.setTimerType(Qt::PreciseTimer);
    connect(&timeoutTimer_, &QTimer::timeout, this, [this] { OnTimeoutTimer(); });
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
    SetMotionCompression(false);
    timeout_.Start(SteadyMs());
    ArmTimeout();
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
    sampleTimer_.stop();
    timeoutTimer_.stop();
    SetMotionCompression(true);
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
    if (event->type() == QEvent::TouchCancel) {
        // The system took the touch away: no lift-off to test, and the tick must stop.
        const QRect target = guidance_.CurrentTargetArea(run_);
        run_.CancelContact();
        UpdatePhysical(target);
        SyncContactState();
        event->accept();
        return true;
    }
    // Every finger feeds the one run, in the order the points arrive.
    for (const QEventPoint& point : touch->points()) {
        if (const std::optional<std::uint32_t> flags = TouchFlagsFor(point.state())) {
            OnTouchInput(*flags, ToDevicePixels(point.position(), pixelsPerLogical_),
                         touch->timestamp());
        }
    }
    event->accept();
    return true;
}

void CMyDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !IsFromTouch(event)) {
        OnTouchInput(TOUCH_FLAG_DOWN, ToDevicePixels(event->position(), pixelsPerLogical_),
                     event->timestamp());
    }
}

void CMyDialog::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && !IsFromTouch(event)) {
        OnTouchInput(TOUCH_FLAG_MOVE, ToDevicePixels(event->position(), pixelsPerLogical_),
                     event->timestamp());
    }
}

void CMyDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !IsFromTouch(event)) {
        OnTouchInput(TOUCH_FLAG_UP, ToDevicePixels(event->position(), pixelsPerLogical_),
                     event->timestamp());
    }
}

void CMyDialog::OnTouchInput(std::uint32_t flags, SamplePoint position, std::uint64_t timestamp) {
    const QRect targetBefore = guidance_.CurrentTargetArea(run_);
    const int holdBefore = run_.HoldProgress();
    const LiftOffRefusal refusalBefore = run_.lastRefusal();
    const std::int64_t time = eventClock_.ForEvent(timestamp, SteadyMs());
    const TouchOutcome outcome = run_.OnTimedTouchInput(flags, position.x, position.y, time);
    if (outcome.frameToSend && !Send(*outcome.frameToSend)) {
        done(static_cast<int>(CalibrationEnd::ControllerGone));
        return;
    }
    AfterInput(outcome, targetBefore, holdBefore, refusalBefore);
    if ((flags & TOUCH_FLAG_DOWN) && fingerHook_.down) {
        fingerHook_.down();
    } else if ((flags & TOUCH_FLAG_UP) && !(flags & TOUCH_FLAG_MOVE) && fingerHook_.up) {
        fingerHook_.up();
    }
}

void CMyDialog::AfterInput(const TouchOutcome& outcome, const QRect& targetBefore, int holdBefore,
                           LiftOffRefusal refusalBefore) {
    if (outcome.repaint) {
        // The cross moved on (or went): its old and new places, and the progress line.
        UpdatePhysical(targetBefore);
        UpdatePhysical(guidance_.CurrentTargetArea(run_));
        UpdatePhysical(guidance_.textBox());
        if (run_.AllTargetsAccepted()) {
            timeout_.LastTargetAccepted(SteadyMs());
        }
    } else if (run_.HoldProgress() != holdBefore || !run_.contactDown()) {
        UpdatePhysical(targetBefore);  // the hold cue filled, emptied or went away
    }
    if (run_.lastRefusal() != refusalBefore) {
        UpdatePhysical(guidance_.textBox());
    }
    SyncContactState();
}

void CMyDialog::SyncContactState() {
    // The tick runs only while a contact is down: a waiting window wakes for nothing.
    const bool down = run_.contactDown();
    if (down && !sampleTimer_.isActive()) {
        sampleTimer_.start();
    } else if (!down) {
        sampleTimer_.stop();
    }
    timeout_.SetContactDown(down, SteadyMs());
    ArmTimeout();
}

void CMyDialog::OnSampleTick() {
    if (run_.SampleHeldContact(eventClock_.Now(SteadyMs()))) {
        UpdatePhysical(guidance_.CurrentTargetArea(run_));
    }
}

void CMyDialog::ArmTimeout() {
    const std::int64_t now = SteadyMs();
    const std::optional<std::int64_t> countdown = timeout_.CountdownSeconds(now);
    if (countdown != countdownShown_) {
        countdownShown_ = countdown;
        UpdatePhysical(guidance_.textBox());
    }
    const std::optional<std::int64_t> next = timeout_.NextChange(now);
    if (!next) {
        timeoutTimer_.stop();
        return;
    }
    timeoutTimer_.start(static_cast<int>(std::max<std::int64_t>(*next - now, 0)));
}

void CMyDialog::OnTimeoutTimer() {
    if (timeout_.TimedOut(SteadyMs())) {
        // As Escape ends it: the listener is stopped in done() before the window goes.
        done(static_cast<int>(CalibrationEnd::TimedOut));
        return;
    }
    ArmTimeout();
}

void CMyDialog::UpdatePhysical(const QRect& physical) {
    if (physical.isEmpty()) {
        return;
    }
    // Widget coordinates are logical: cover every logical pixel the physical ones touch.
    const double ratio = pixelsPerLogical_;
    const QRect logical(QPoint(static_cast<int>(std::floor(physical.left() / ratio)),
                               static_cast<int>(std::floor(physical.top() / ratio))),
                        QPoint(static_cast<int>(std::ceil((physical.right() + 1) / ratio)),
                               static_cast<int>(std::ceil((physical.bottom() + 1) / ratio))));
    update(logical);
}

void CMyDialog::SetMotionCompression(bool on) {
    for (std::size_t i = 0; i < std::size(COMPRESSION_ATTRIBUTES); ++i) {
        if (!on) {
            compressionWasOn_[i] = QCoreApplication::testAttribute(COMPRESSION_ATTRIBUTES[i]);
            QCoreApplication::setAttribute(COMPRESSION_ATTRIBUTES[i], false);
        } else {
            QCoreApplication::setAttribute(COMPRESSION_ATTRIBUTES[i], compressionWasOn_[i]);
        }
    }
}

std::array<QString, GUIDANCE_LINES> CMyDialog::GuidanceLines() const {
    return guidance_.Lines(run_, countdownShown_);
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
    guidance_.Paint(painter, run_, countdownShown_);
}

void CMyDialog::OnListenerEvent(ListenerEvent event) {
    if (finished_) {
        return;
    }
    // It has delivered its one event and is ending; join it before anything else happens.
    listener_.Stop();
    // The verdict came: the user may read its box as long as they like.
    timeoutTimer_.stop();
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
