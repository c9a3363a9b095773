#include "calibration/linux/check_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTouchEvent>
#include <QtGlobal>

#include "calibration/check_picture.h"
#include "calibration/check_points.h"
#include "calibration/linux/calibration_screen.h"
#include "calibration/linux/check_screens.h"
#include "controller/log.h"
#include "resource.h"

namespace norvessa::ui {
namespace {

bool CuredByMapping(DiagnosisKind kind) {
    return kind == DiagnosisKind::MappedToDesktop || kind == DiagnosisKind::MappedToOtherMonitor;
}

std::vector<PixelPoint> AcceptedTouches(const CalibrationRun& run, std::size_t count) {
    std::vector<PixelPoint> touches;
    for (std::size_t i = 0; i < count; ++i) {
        const SamplePoint touch =
            run.AcceptedTouch(static_cast<std::uint32_t>(i)).value_or(SamplePoint{});
        touches.push_back({touch.x, touch.y});
    }
    return touches;
}

}  // namespace

CheckWindow::CheckWindow(CheckSettings settings, std::function<QString(int id)> strings,
                         QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::FramelessWindowHint),
      settings_(std::move(settings)),
      strings_(std::move(strings)),
      guidance_(strings_),
      input_(run_, guidance_, settings_.timings, InputHooks()) {
    setAttribute(Qt::WA_AcceptTouchEvents);
    setModal(true);
    pictureTimer_.setSingleShot(true);
    connect(&pictureTimer_, &QTimer::timeout, this,
            [this] { done(static_cast<int>(CheckEnd::Done)); });
}

CheckWindow::~CheckWindow() {
    input_.Stop();
}

RunInputHooks CheckWindow::InputHooks() {
    return {
        .taken = {},
        .handled =
            [this](std::uint32_t) {
                if (!pictureShown_ && run_.started() && run_.AllTargetsAccepted()) {
                    ShowPicture();
                }
            },
        .repaint =
            [this](const QRect& physical) {
                update(PhysicalToLogical(physical, pixelsPerLogical_));
            },
        .timedOut = [this] { done(static_cast<int>(CheckEnd::TimedOut)); },
    };
}

CheckOutcome CheckWindow::Run() {
    screen_ = CalibrationScreen(parentWidget());
    outcome_.screen = screen_;
    const std::optional<ScreenPixels> pixels = CoveredPixels(*screen_);
    if (!pixels) {
        outcome_.end = CheckEnd::CannotCover;
        return outcome_;
    }
    pixelsPerLogical_ = pixels->perLogical;
    outcome_.monitor = CheckedMonitorOf(*screen_, pixels->size);
    tolerance_ = settings_.tolerance.value_or(DefaultTolerance(outcome_.monitor));
    if (!TolerancePixels(tolerance_, outcome_.monitor)) {
        qWarning("the monitor's physical size is unknown: the tolerance is 1 %% of its diagonal");
        tolerance_ = DefaultTolerance(outcome_.monitor);
    }
    const std::optional<std::vector<PixelPoint>> points =
        LayoutCheckPoints(settings_.points, outcome_.monitor.width, outcome_.monitor.height);
    if (!points) {
        outcome_.end = CheckEnd::NotStarted;
        return outcome_;
    }
    points_ = *points;
    if (!BeginMeasuring()) {
        outcome_.end = CheckEnd::NotStarted;
        return outcome_;
    }
    // Wayland places a full-screen window on the output it was given, not where it is moved.
    setScreen(screen_);
    setGeometry(screen_->geometry());
    setWindowState(windowState() | Qt::WindowFullScreen);
    outcome_.end = static_cast<CheckEnd>(exec());
    return outcome_;
}

bool CheckWindow::BeginMeasuring() {
    std::vector<SamplePoint> targets;
    for (const PixelPoint& point : points_) {
        targets.push_back({point.x, point.y});
    }
    run_ = CalibrationRun(0);
    if (!run_.BeginCheck(targets, outcome_.monitor.width, outcome_.monitor.height)) {
        return false;
    }
    guidance_.Prepare(run_, pixelsPerLogical_, outcome_.monitor.width, outcome_.monitor.height);
    pictureShown_ = false;
    pointLogged_.reset();
    pictureLogged_ = false;
    pictureTimer_.stop();
    pressedButton_.reset();
    ShowCovers();
    input_.Start();
    update();
    return true;
}

void CheckWindow::ShowCovers() {
    CloseCovers();
    const QList<QScreen*> screens = QGuiApplication::screens();
    const std::vector<PixelRect> monitors = DesktopMonitors();
    const qsizetype checked = screens.indexOf(screen_);
    if (checked < 0) {
        return;
    }
    const PixelRect origin = monitors[static_cast<std::size_t>(checked)];
    const CoverHooks hooks{
        .touch = [this](QTouchEvent* event,
                        PointerMapping mapping) { input_.HandleTouch(event, mapping); },
        .mouse = [this](QMouseEvent* event,
                        PointerMapping mapping) { input_.HandleMouse(event, mapping); },
        .escape = [this] { reject(); },
    };
    for (qsizetype i = 0; i < screens.size(); ++i) {
        if (i == checked) {
            continue;
        }
        // Its touches in the checked monitor's physical pixels, from the desktop's origins.
        const PixelRect area = monitors[static_cast<std::size_t>(i)];
        const PointerMapping mapping{screens[i]->devicePixelRatio(),
                                     {area.x - origin.x, area.y - origin.y}};
        const QString text =
            QString::fromStdString(FillNumbered(Utf8(IDS_CHECK_COVER), {std::to_string(i)}));
        covers_.push_back(std::make_unique<CheckCover>(this, *screens[i], text, mapping, hooks));
        covers_.back()->ShowOver();
    }
}

void CheckWindow::CloseCovers() {
    // The touch that ends the check may be a cover's own: it goes once its event is handled.
    for (std::unique_ptr<CheckCover>& cover : covers_) {
        cover->hide();
        cover.release()->deleteLater();
    }
    covers_.clear();
}

std::vector<CheckCover*> CheckWindow::covers() const {
    std::vector<CheckCover*> shown;
    for (const std::unique_ptr<CheckCover>& cover : covers_) {
        shown.push_back(cover.get());
    }
    return shown;
}

void CheckWindow::ShowPicture() {
    input_.Stop();
    CloseCovers();
    const std::size_t checked = static_cast<std::size_t>(
        std::max<qsizetype>(QGuiApplication::screens().indexOf(screen_), 0));
    outcome_.result = EvaluateCheck(points_, AcceptedTouches(run_, points_.size()),
                                    outcome_.monitor, tolerance_, DesktopMonitors(), checked);
    if (!outcome_.result) {
        done(static_cast<int>(CheckEnd::NotStarted));
        return;
    }
    PictureTexts texts = TextsFor(*outcome_.result);
    outcome_.diagnosisText = texts.diagnosis.toStdString();
    picture_.Prepare(outcome_.result->measurement, outcome_.monitor.width, outcome_.monitor.height,
                     pixelsPerLogical_, PictureButtons(), std::move(texts));
    pictureShown_ = true;
    ArmPictureTimeout();
    update();
}

std::vector<CheckButton> CheckWindow::PictureButtons() const {
    std::vector<CheckButton> buttons = {CheckButton::Done, CheckButton::CheckAgain};
    if (settings_.offerCalibration) {
        buttons.push_back(CheckButton::CalibrateAgain);
    }
    buttons.push_back(CheckButton::Clear);
    if (map_ && settings_.remedy == MappingRemedy::MapButton && outcome_.result &&
        CuredByMapping(outcome_.result->diagnosis.kind)) {
        buttons.push_back(CheckButton::MapHere);
    }
    return buttons;
}

PictureTexts CheckWindow::TextsFor(const CheckResult& result) const {
    const StringLoader load = [this](int id) { return Utf8(id); };
    PictureTexts texts;
    texts.summary = QString::fromStdString(CheckSummaryLine(
        result.measurement, outcome_.monitor.width, outcome_.monitor.height, load));
    texts.legend = QString::fromStdString(
        FillNumbered(Utf8(IDS_CHECK_MAGNIFIED), {std::to_string(ERROR_MAGNIFICATION)}));
    texts.diagnosis = QString::fromStdString(
        DiagnosisLine(result.diagnosis, settings_.remedy, ScreenLabels(), load));
    texts.buttons = {{CheckButton::Done, strings_(IDS_CHECK_DONE)},
                     {CheckButton::CheckAgain, strings_(IDS_CHECK_AGAIN)},
                     {CheckButton::CalibrateAgain, strings_(IDS_CHECK_CALIBRATE_AGAIN)},
                     {CheckButton::Clear, strings_(IDS_CHECK_CLEAR)},
                     {CheckButton::MapHere, strings_(IDS_CHECK_MAP_HERE)}};
    return texts;
}

void CheckWindow::ArmPictureTimeout() {
    pictureTimer_.start(static_cast<int>(settings_.timings.timeoutMs));
}

bool CheckWindow::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            OnTouch(static_cast<QTouchEvent*>(event));
            event->accept();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            OnMouse(static_cast<QMouseEvent*>(event));
            return true;
        default:
            return QDialog::event(event);
    }
}

void CheckWindow::OnTouch(QTouchEvent* event) {
    if (!pictureShown_) {
        input_.HandleTouch(event, Mapping());
        return;
    }
    for (const QEventPoint& point : event->points()) {
        if (const std::optional<std::uint32_t> flags = TouchFlagsFor(point.state())) {
            OnPicturePointer(*flags, point.position());
        }
    }
}

void CheckWindow::OnMouse(QMouseEvent* event) {
    if (!pictureShown_) {
        input_.HandleMouse(event, Mapping());
        return;
    }
    if (const std::optional<std::uint32_t> flags = MouseFlagsFor(event)) {
        OnPicturePointer(*flags, event->position());
    }
}

void CheckWindow::OnPicturePointer(std::uint32_t flags, QPointF logical) {
    ArmPictureTimeout();
    const SamplePoint pixel = ToDevicePixels(logical, pixelsPerLogical_);
    const QPoint physical(pixel.x, pixel.y);
    const std::optional<CheckButton> button =
        ButtonAt(picture_.layout(), PixelPoint{pixel.x, pixel.y});
    if (flags & TOUCH_FLAG_DOWN) {
        // A contact that starts on a button presses it; any other draws the trail.
        pressedButton_ = button;
        if (!button) {
            picture_.BeginStroke(physical);
        }
    } else if (!pressedButton_) {
        picture_.ExtendStroke(physical);
    } else if ((flags & TOUCH_FLAG_UP) && button == pressedButton_) {
        pressedButton_.reset();
        Press(*button);
        return;
    }
    if (flags & TOUCH_FLAG_UP) {
        pressedButton_.reset();
    }
    update();
}

void CheckWindow::Press(CheckButton button) {
    switch (button) {
        case CheckButton::Done:
            done(static_cast<int>(CheckEnd::Done));
            return;
        case CheckButton::CheckAgain:
            BeginMeasuring();
            return;
        case CheckButton::CalibrateAgain:
            done(static_cast<int>(CheckEnd::CalibrateAgain));
            return;
        case CheckButton::Clear:
            picture_.ClearTrail();
            update();
            return;
        case CheckButton::MapHere:
            MapHere();
            return;
    }
}

void CheckWindow::MapHere() {
    const std::vector<PixelRect> monitors = DesktopMonitors();
    const qsizetype checked = QGuiApplication::screens().indexOf(screen_);
    std::string error = "no touch arrived from an input device during the check";
    std::optional<std::string> snippet;
    if (map_ && input_.touchDeviceId() && checked >= 0) {
        const PixelRect root = BoundingRect(monitors);
        PixelRect monitor = monitors[static_cast<std::size_t>(checked)];
        monitor.x -= root.x;
        monitor.y -= root.y;
        snippet = map_(*input_.touchDeviceId(), monitor, {root.width, root.height}, &error);
    }
    if (!snippet) {
        qWarning("the touch screen could not be mapped to this monitor: %s", error.c_str());
        picture_.SetDiagnosisText(strings_(IDS_MAP_FAILED));
        update();
        return;
    }
    // The mapping holds until the X server restarts; the snippet makes it permanent.
    qInfo("%s", snippet->c_str());
    BeginMeasuring();
}

void CheckWindow::done(int result) {
    if (finished_) {
        return;
    }
    finished_ = true;
    input_.Stop();
    pictureTimer_.stop();
    CloseCovers();
    QDialog::done(result);
}

void CheckWindow::reject() {
    // Escape (or the window closed): before the picture the check is cancelled, after it done.
    done(static_cast<int>(pictureShown_ ? CheckEnd::Done : CheckEnd::Cancelled));
}

std::array<QString, GUIDANCE_LINES> CheckWindow::GuidanceLines() const {
    return guidance_.Lines(run_, input_.countdown());
}

void CheckWindow::paintEvent(QPaintEvent*) {
    if (!run_.started()) {
        return;
    }
    QPainter painter(this);
    if (pictureShown_) {
        painter.fillRect(rect(), Qt::white);
    }
    // Points are physical pixels: draw in them, each cross exactly on its point's pixels.
    painter.scale(1.0 / pixelsPerLogical_, 1.0 / pixelsPerLogical_);
    if (pictureShown_) {
        picture_.Paint(painter);
    } else {
        guidance_.Paint(painter, run_, input_.countdown());
    }
    LogWhatIsShown();
}

void CheckWindow::LogWhatIsShown() {
    static constexpr const char* BUTTON_NAMES[] = {"done", "check-again", "calibrate-again",
                                                   "clear", "map-here"};
    if (!pictureShown_) {
        const std::uint32_t point = run_.currentTarget();
        if (point < points_.size() && pointLogged_ != point) {
            pointLogged_ = point;
            LogDebug("check point " + std::to_string(point + 1) + " of " +
                     std::to_string(points_.size()) + " shown at " +
                     std::to_string(points_[point].x) + ", " + std::to_string(points_[point].y));
        }
    } else if (!pictureLogged_) {
        pictureLogged_ = true;
        for (const PictureButton& button : picture_.layout().buttons) {
            const PixelRect& r = button.rect;
            LogDebug(std::string("check picture button ") +
                     BUTTON_NAMES[static_cast<int>(button.button)] + " at " + std::to_string(r.x) +
                     ", " + std::to_string(r.y) + ", " + std::to_string(r.width) + " x " +
                     std::to_string(r.height));
        }
    }
}

}  // namespace norvessa::ui
