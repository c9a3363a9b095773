#include "calibration/linux/run_input.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTouchEvent>
#include <algorithm>

namespace norvessa::ui {
namespace {

// Queued motion must reach the run as it happened, not merged into its last position.
constexpr Qt::ApplicationAttribute COMPRESSION_ATTRIBUTES[] = {Qt::AA_CompressHighFrequencyEvents,
                                                               Qt::AA_CompressTabletEvents};

SamplePoint Mapped(QPointF logical, PointerMapping mapping) {
    const SamplePoint local = ToDevicePixels(logical, mapping.ratio);
    return {local.x + mapping.offset.x, local.y + mapping.offset.y};
}

}  // namespace

bool IsFromTouch(const QMouseEvent* event) {
    return event->source() != Qt::MouseEventNotSynthesized;
}

std::optional<std::uint32_t> MouseFlagsFor(const QMouseEvent* event) {
    if (IsFromTouch(event)) {
        return std::nullopt;
    }
    if (event->type() == QEvent::MouseButtonPress && event->button() == Qt::LeftButton) {
        return TOUCH_FLAG_DOWN;
    }
    if (event->type() == QEvent::MouseMove && (event->buttons() & Qt::LeftButton)) {
        return TOUCH_FLAG_MOVE;
    }
    if (event->type() == QEvent::MouseButtonRelease && event->button() == Qt::LeftButton) {
        return TOUCH_FLAG_UP;
    }
    return std::nullopt;
}

RunInput::RunInput(CalibrationRun& run, const GuidanceView& guidance, CalibrationTimings timings,
                   RunInputHooks hooks)
    : run_(run),
      guidance_(guidance),
      hooks_(std::move(hooks)),
      timeout_(timings.timeoutMs, timings.countdownMs) {
    steady_.start();
    sampleTimer_.setTimerType(Qt::PreciseTimer);
    sampleTimer_.setInterval(static_cast<int>(SAMPLE_INTERVAL_MS));
    QObject::connect(&sampleTimer_, &QTimer::timeout, [this] { OnSampleTick(); });
    timeoutTimer_.setSingleShot(true);
    timeoutTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeoutTimer_, &QTimer::timeout, [this] { OnTimeoutTimer(); });
}

RunInput::~RunInput() {
    Stop();
}

void RunInput::Start() {
    if (!started_) {
        SetMotionCompression(false);
    }
    started_ = true;
    countdownShown_.reset();
    timeout_.Start(SteadyMs());
    ArmTimeout();
}

void RunInput::Stop() {
    sampleTimer_.stop();
    timeoutTimer_.stop();
    if (std::exchange(started_, false)) {
        SetMotionCompression(true);
    }
}

void RunInput::HandleTouch(QTouchEvent* event, PointerMapping mapping) {
    if (const QPointingDevice* device = event->pointingDevice()) {
        touchDeviceId_ = device->systemId();
    }
    if (event->type() == QEvent::TouchCancel) {
        // The system took the touch away: no lift-off to test, and the tick must stop.
        const QRect target = guidance_.CurrentTargetArea(run_);
        run_.CancelContact();
        Repaint(target);
        SyncContactState();
        return;
    }
    // Every finger feeds the one run, in the order the points arrive.
    for (const QEventPoint& point : event->points()) {
        if (const std::optional<std::uint32_t> flags = TouchFlagsFor(point.state())) {
            Take(*flags, Mapped(point.position(), mapping), event->timestamp());
        }
    }
}

void RunInput::HandleMouse(QMouseEvent* event, PointerMapping mapping) {
    if (const std::optional<std::uint32_t> flags = MouseFlagsFor(event)) {
        Take(*flags, Mapped(event->position(), mapping), event->timestamp());
    }
}

void RunInput::Take(std::uint32_t flags, SamplePoint position, std::uint64_t timestamp) {
    const QRect targetBefore = guidance_.CurrentTargetArea(run_);
    const int holdBefore = run_.HoldProgress();
    const LiftOffRefusal refusalBefore = run_.lastRefusal();
    const std::int64_t time = eventClock_.ForEvent(timestamp, SteadyMs());
    const TouchOutcome outcome = run_.OnTimedTouchInput(flags, position.x, position.y, time);
    if (hooks_.taken && !hooks_.taken(flags, outcome)) {
        return;
    }
    AfterInput(outcome, targetBefore, holdBefore, refusalBefore);
    if (hooks_.handled) {
        hooks_.handled(flags);
    }
}

void RunInput::AfterInput(const TouchOutcome& outcome, const QRect& targetBefore, int holdBefore,
                          LiftOffRefusal refusalBefore) {
    if (outcome.repaint) {
        // The cross moved on (or went): its old and new places, and the progress line.
        Repaint(targetBefore);
        Repaint(guidance_.CurrentTargetArea(run_));
        Repaint(guidance_.textBox());
        if (run_.AllTargetsAccepted()) {
            timeout_.LastTargetAccepted(SteadyMs());
        }
    } else if (run_.HoldProgress() != holdBefore || !run_.contactDown()) {
        Repaint(targetBefore);  // the hold cue filled, emptied or went away
    }
    if (run_.lastRefusal() != refusalBefore) {
        Repaint(guidance_.textBox());
    }
    SyncContactState();
}

void RunInput::SyncContactState() {
    if (!started_) {
        return;  // the window stopped taking touches in the input just handled
    }
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

void RunInput::OnSampleTick() {
    if (run_.SampleHeldContact(eventClock_.Now(SteadyMs()))) {
        Repaint(guidance_.CurrentTargetArea(run_));
    }
}

void RunInput::ArmTimeout() {
    const std::int64_t now = SteadyMs();
    const std::optional<std::int64_t> countdown = timeout_.CountdownSeconds(now);
    if (countdown != countdownShown_) {
        countdownShown_ = countdown;
        Repaint(guidance_.textBox());
    }
    const std::optional<std::int64_t> next = timeout_.NextChange(now);
    if (!next) {
        timeoutTimer_.stop();
        return;
    }
    timeoutTimer_.start(static_cast<int>(std::max<std::int64_t>(*next - now, 0)));
}

void RunInput::OnTimeoutTimer() {
    if (timeout_.TimedOut(SteadyMs())) {
        if (hooks_.timedOut) {
            hooks_.timedOut();
        }
        return;
    }
    ArmTimeout();
}

void RunInput::Repaint(const QRect& physical) const {
    if (!physical.isEmpty() && hooks_.repaint) {
        hooks_.repaint(physical);
    }
}

void RunInput::SetMotionCompression(bool on) {
    for (std::size_t i = 0; i < std::size(COMPRESSION_ATTRIBUTES); ++i) {
        if (!on) {
            compressionWasOn_[i] = QCoreApplication::testAttribute(COMPRESSION_ATTRIBUTES[i]);
            QCoreApplication::setAttribute(COMPRESSION_ATTRIBUTES[i], false);
        } else {
            QCoreApplication::setAttribute(COMPRESSION_ATTRIBUTES[i], compressionWasOn_[i]);
        }
    }
}

}  // namespace norvessa::ui
