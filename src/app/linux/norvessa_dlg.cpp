#include "app/linux/norvessa_dlg.h"

#include <unistd.h>

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSocketNotifier>
#include <QWindow>

#include "app/linux/about_dlg.h"
#include "app/linux/dialog_layout.h"
#include "app/status_line.h"
#include "calibration/guidance_text.h"
#include "calibration/linux/calibration_screen.h"
#include "calibration/linux/check_screens.h"
#include "calibration/linux/x11_touch_mapping.h"
#include "calibration/target_layout.h"
#include "controller/linux/controller_access_scan.h"
#include "controller/linux/controller_state.h"
#include "controller/log.h"
#include "protocol/linux/reset_exchange.h"
#include "resource.h"

namespace norvessa::ui {
namespace {

// The count "Calibrate again" uses when no calibration ran yet: the dialog's own default.
constexpr int DEFAULT_CALIBRATION_POINTS = 9;
const QString CHECK_LINK_TARGET = QStringLiteral("check");

// The calibration buttons and their point counts.
constexpr std::pair<int, int> CALIBRATION_BUTTONS[] = {
    {IDC_CALIBRATE_4, 4},   {IDC_CALIBRATE_9, 9},   {IDC_CALIBRATE_16, 16}, {IDC_CALIBRATE_25, 25},
    {IDC_CALIBRATE_12, 12}, {IDC_CALIBRATE_15, 15}, {IDC_CALIBRATE_20, 20},
};
constexpr int FIRST_COMMAND_BUTTON = IDC_CALIBRATE_4;
constexpr int LAST_COMMAND_BUTTON = IDC_CALIBRATE_20;

[[noreturn]] void EndProcessAtOnce() {
    // Like terminating the process: no destructor, no release of the controller, no flushing.
    ::_exit(1);
}

// "Map to this monitor": the device's transformation matrix for this X session, and the
// snippet that keeps it, which the caller prints.
std::optional<std::string> MapOnX11(std::int64_t device, PixelRect monitor, PixelSize root,
                                    std::string* error) {
    const std::optional<TouchMapping> mapping =
        MapTouchDeviceToMonitor(device, monitor, root, error);
    if (!mapping) {
        return std::nullopt;
    }
    qInfo("touch device \"%s\" mapped to the checked monitor", mapping->deviceName.c_str());
    return mapping->xorgSnippet;
}

Qt::WindowFlags MainWindowFlags() {
    // Caption, system menu and close box; no minimise or maximise box.
    return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
}

}  // namespace

CNorvessaDlg::CNorvessaDlg(UiLanguage language, MainDialogOptions options, QWidget* parent)
    : QDialog(parent, MainWindowFlags()),
      language_(language),
      fingerHook_(std::move(options.fingerHook)),
      calibrationTimings_(options.calibrationTimings),
      calibrationEnded_(std::move(options.calibrationEnded)),
      checkEnded_(std::move(options.checkEnded)),
      mapTouchDevice_(options.mapTouchDevice ? std::move(options.mapTouchDevice)
                                             : MapTouchDevice(MapOnX11)),
      link_(ControllerEvents{
          .releasing = [this](OpenedInterface&) { OnControllerReleasing(); },
          .changed = [this](OpenedInterface* current) { OnControllerChanged(current != nullptr); },
      }) {
    if (const DialogTemplate* dialog = FindDialog(language, IDD_NORVESSA_DIALOG)) {
        setWindowTitle(QString::fromUtf8(dialog->caption) + options.captionSuffix);
        setFont(DialogFont(dialog->fontPoints));
        setFixedSize(ToPixels(dialog->width, dialog->height, BaseUnitsFor(font())));
        CreateControls(*dialog);
    }
    SetUpControllerLink(std::move(options.readyController));
    for (auto signal : {&QGuiApplication::screenAdded, &QGuiApplication::screenRemoved}) {
        connect(
            qGuiApp, signal, this,
            [this] {
                notedScreen_ = nullptr;
                ShowStatusLine();
            },
            Qt::QueuedConnection);
    }
}

CNorvessaDlg::~CNorvessaDlg() {
    // The link's own end closes the controller without calling back into this dialog.
    hotplug_.reset();
}

void CNorvessaDlg::CreateControls(const DialogTemplate& dialog) {
    const DialogBaseUnits base = BaseUnitsFor(font());
    QPushButton* previous = nullptr;
    // Template order is tab order: Quit first, so it takes the focus at start.
    for (const ControlTemplate& control : dialog.controls) {
        if (control.kind == ControlKind::Ltext) {
            // A static text: never focused, so the tab order stays that of the buttons.
            statusLine_ = new QLabel(QString::fromUtf8(control.text), this);
            statusLine_->setGeometry(ToPixels(control.rect, base));
            statusLine_->setObjectName(QString::number(control.id));
            statusLine_->setWordWrap(true);
            statusLine_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            statusLine_->setTextFormat(Qt::PlainText);
            statusLine_->setFocusPolicy(Qt::NoFocus);
            connect(statusLine_, &QLabel::linkActivated, this, [this] { PostStartCheck(); });
            continue;
        }
        auto* pushButton = new QPushButton(QString::fromUtf8(control.text), this);
        pushButton->setGeometry(ToPixels(control.rect, base));
        pushButton->setObjectName(QString::number(control.id));
        if (previous != nullptr) {
            setTabOrder(previous, pushButton);
        }
        previous = pushButton;
        buttons_[control.id] = pushButton;
        ConnectButton(pushButton, control.id);
    }
    if (QPushButton* quit = button(IDC_QUIT)) {
        quit->setFocus();
    }
}

void CNorvessaDlg::ConnectButton(QPushButton* pushButton, int id) {
    if (id == IDC_QUIT) {
        connect(pushButton, &QPushButton::clicked, this, [this] { reject(); });
        return;
    }
    if (id == IDC_RESET) {
        connect(pushButton, &QPushButton::clicked, this, [this] { RunReset(); });
        return;
    }
    for (const auto& [buttonId, count] : CALIBRATION_BUTTONS) {
        if (buttonId == id) {
            connect(pushButton, &QPushButton::clicked, this,
                    [this, points = count] { StartCalibration(points); });
        }
    }
}

void CNorvessaDlg::SetUpControllerLink(std::optional<ReadyController> ready) {
    // Without udev's monitor the search still runs; only later arrivals go unnoticed.
    if (link_.SetUp()) {
        hotplug_ = std::make_unique<QSocketNotifier>(link_.hotplugFd(), QSocketNotifier::Read);
        connect(hotplug_.get(), &QSocketNotifier::activated, this, [this] {
            link_.ProcessPendingEvents();
            // A controller node that arrived but cannot be opened changes no button.
            UpdateStatusLine();
        });
    }
    if (ready) {
        if (!link_.InstallReadyController(std::move(*ready))) {
            OnControllerChanged(link_.current() != nullptr);
        }
        return;
    }
    link_.FindController();
}

void CNorvessaDlg::OnControllerChanged(bool current) {
    EnableCommandButtons(current);
    UpdateStatusLine();
}

void CNorvessaDlg::UpdateStatusLine() {
    if (statusLine_ == nullptr) {
        return;
    }
    const bool current = link_.current() != nullptr;
    // Only without a controller is it worth asking sysfs which nodes were refused.
    const std::vector<ControllerAccess> refused =
        current ? std::vector<ControllerAccess>{} : FindRefusedControllers();
    const ControllerStatus status = StatusOfController(current, refused);
    const QString pattern = LoadResourceString(language_, StatusLineStringId(status.presence));
    controllerStatusText_ =
        QString::fromStdString(FillPlaceholders<std::string>(pattern.toStdString(), status.path));
    ShowStatusLine();
}

void CNorvessaDlg::ShowStatusLine() {
    if (statusLine_ == nullptr) {
        return;
    }
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* covered = CalibrationScreen(this);
    if (screens.size() < 2 || covered == nullptr) {
        SetStatusText(controllerStatusText_);
        return;
    }
    // Asking the compositor for the output's mode takes a connection: once per screen, not on
    // every move of a drag.
    if (covered != notedScreen_) {
        notedScreen_ = covered;
        screenNote_ = ScreenNoteFor(*covered, IDS_STATUS_SCREEN);
    }
    SetStatusText(controllerStatusText_ + QLatin1Char('\n') + screenNote_);
}

void CNorvessaDlg::SetStatusText(const QString& text) {
    if (!lastCalibration_ || !lastCalibration_->succeeded) {
        statusLine_->setTextFormat(Qt::PlainText);
        statusLine_->setText(text);
        return;
    }
    // The link follows the controller's status on its line; a touch on it starts the check.
    QString html = text.toHtmlEscaped();
    const qsizetype lineEnd = html.indexOf(QLatin1Char('\n'));
    const QString link =
        QStringLiteral(" <a href=\"%1\">%2</a>")
            .arg(CHECK_LINK_TARGET, LoadResourceString(language_, IDS_CHECK_LINK).toHtmlEscaped());
    html.insert(lineEnd < 0 ? html.size() : lineEnd, link);
    html.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    statusLine_->setTextFormat(Qt::RichText);
    statusLine_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    // The tab order and the focus stay the buttons' alone.
    statusLine_->setFocusPolicy(Qt::NoFocus);
    statusLine_->setText(html);
}

QString CNorvessaDlg::ScreenNoteFor(QScreen& screen, int patternId) const {
    const PixelSize size =
        CoveredPixels(screen).value_or(ScreenPixels{DevicePixelSize(screen)}).size;
    return QString::fromStdString(
        ScreenNote(LoadResourceString(language_, patternId).toStdString(),
                   static_cast<std::size_t>(QGuiApplication::screens().indexOf(&screen)),
                   screen.name().toStdString(), size.width, size.height));
}

void CNorvessaDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // Dragging the main window onto another screen changes the screen a calibration covers.
    ShowStatusLine();
}

void CNorvessaDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // On Wayland no move is told, only the output the compositor now shows the window on.
    if (windowHandle() != nullptr && !screenWatched_) {
        screenWatched_ = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { ShowStatusLine(); });
    }
}

QPushButton* CNorvessaDlg::button(int id) const {
    const auto found = buttons_.find(id);
    return found == buttons_.end() ? nullptr : found->second;
}

void CNorvessaDlg::EnableCommandButtons(bool enable) {
    for (int id = FIRST_COMMAND_BUTTON; id <= LAST_COMMAND_BUTTON; ++id) {
        if (QPushButton* commandButton = button(id)) {
            commandButton->setEnabled(enable);
        }
    }
}

void CNorvessaDlg::OnControllerReleasing() {
    // The controller's fd is about to close: the calibration's listener stops now, before it.
    if (calibration_) {
        calibration_->EndForRemoval();
    }
}

void CNorvessaDlg::StartCalibration(long long count) {
    // Only the seven offered counts start a run; a stray or garbled start does nothing.
    if (!IsSupportedPointCount(static_cast<double>(count)) || calibration_) {
        return;
    }
    const VerdictTexts texts{
        MessageBoxCaption(), LoadResourceString(language_, IDS_CALIBRATION_SUCCEED),
        LoadResourceString(language_, IDS_CALIBRATION_FAILED),
        [language = language_](int id) { return LoadResourceString(language, id); }};
    CMyDialog window(static_cast<double>(count), texts, fingerHook_, calibrationTimings_, this);
    calibration_ = &window;
    const CalibrationEnd end = window.Run();
    calibration_ = nullptr;
    if (end != CalibrationEnd::NotStarted && end != CalibrationEnd::CannotCover &&
        end != CalibrationEnd::NotResponding) {
        // The link to a check comes with a success and goes with a later failure.
        lastCalibration_ = ReportCalibration{static_cast<int>(count), window.succeeded()};
        UpdateStatusLine();
    }
    if (calibrationEnded_) {
        calibrationEnded_(end, window.succeeded());
    }
    switch (end) {
        case CalibrationEnd::Retry:
            // Handled once this window is gone: the new run starts from the event loop.
            PostStartCalibration(count);
            break;
        case CalibrationEnd::ControllerGone:
            ForgetGoneController();
            break;
        case CalibrationEnd::TimedOut:
            // Nobody was there to end it: say why the window went away.
            ShowMessage(LoadResourceString(language_, IDS_CALIBRATION_TIMED_OUT));
            break;
        case CalibrationEnd::NotResponding:
            // The exchange's own log line names the cause; the user is told in a box.
            ShowMessage(LoadResourceString(language_, IDS_CONTROLLER_NOT_RESPONDING));
            break;
        case CalibrationEnd::CannotCover: {
            const QString note = ScreenNoteFor(*CalibrationScreen(this), IDS_SCREEN_NOT_COVERED);
            LogError(note.toStdString());
            ShowMessage(note);
            break;
        }
        case CalibrationEnd::Removed:
        case CalibrationEnd::Closed:
        case CalibrationEnd::NotStarted:
            break;
    }
}

void CNorvessaDlg::PostStartCalibration(long long count) {
    QMetaObject::invokeMethod(
        this, [this, count] { StartCalibration(count); }, Qt::QueuedConnection);
}

void CNorvessaDlg::StartCheck(CheckRequest request) {
    if (calibration_ || check_) {
        return;
    }
    const CheckSettings settings{request.points, request.tolerance, link_.current() != nullptr,
                                 CurrentRemedy(), calibrationTimings_};
    CheckWindow window(
        settings, [language = language_](int id) { return LoadResourceString(language, id); },
        this);
    window.SetMapTouchDevice(mapTouchDevice_);
    check_ = &window;
    const CheckOutcome outcome = window.Run();
    check_ = nullptr;
    if (checkEnded_) {
        checkEnded_(outcome);
    }
    switch (outcome.end) {
        case CheckEnd::CalibrateAgain:
            PostStartCalibration(lastCalibration_ ? lastCalibration_->pointCount
                                                  : DEFAULT_CALIBRATION_POINTS);
            break;
        case CheckEnd::CannotCover: {
            const QString note = ScreenNoteFor(*CalibrationScreen(this), IDS_SCREEN_NOT_COVERED);
            LogError(note.toStdString());
            ShowMessage(note);
            break;
        }
        case CheckEnd::Done:
        case CheckEnd::Cancelled:
        case CheckEnd::TimedOut:
        case CheckEnd::NotStarted:
            break;
    }
}

void CNorvessaDlg::PostStartCheck(CheckRequest request) {
    QMetaObject::invokeMethod(
        this, [this, request] { StartCheck(request); }, Qt::QueuedConnection);
}

void CNorvessaDlg::ForgetGoneController() {
    // A read or write met the device-gone error or a hang-up: the controller is gone for good,
    // whether or not udev has said so yet (the simulated controller has no udev to say it at
    // all). Released here, on this thread, exactly as its removal would be.
    link_.link().OnCurrentGone();
}

void CNorvessaDlg::RunReset() {
    switch (RunResetExchange(CurrentControllerChannel())) {
        case ResetOutcome::Succeeded:
            ShowMessage(LoadResourceString(language_, IDS_RESET_SUCCEED));
            break;
        case ResetOutcome::Failed:
        case ResetOutcome::NoReply:
        case ResetOutcome::NotResponding:
            ShowMessage(LoadResourceString(language_, IDS_RESET_FAILED));
            break;
        case ResetOutcome::ControllerGone:
            ForgetGoneController();
            break;
        case ResetOutcome::NoMessage:
            break;
    }
}

void CNorvessaDlg::ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, MessageBoxCaption(), text, QMessageBox::Ok, this);
    box.exec();
}

void CNorvessaDlg::ShowAbout() {
    CAboutDlg about(language_, this);
    about.exec();
}

void CNorvessaDlg::accept() {
    hotplug_.reset();
    link_.Release();
    QDialog::accept();
}

void CNorvessaDlg::reject() {
    EndProcessAtOnce();
}

void CNorvessaDlg::closeEvent(QCloseEvent*) {
    EndProcessAtOnce();
}

void CNorvessaDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // A focused button takes Enter itself; it reaches here only with none focused.
            accept();
            return;
        case Qt::Key_Escape:
            reject();
            return;
        case Qt::Key_F1:
            ShowAbout();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void CNorvessaDlg::contextMenuEvent(QContextMenuEvent* event) {
    const QString aboutText = LoadResourceString(language_, IDS_ABOUTBOX);
    if (aboutText.isEmpty()) {
        return;
    }
    QMenu menu(this);
    menu.addAction(aboutText, this, [this] { ShowAbout(); });
    menu.addAction(LoadResourceString(language_, IDS_CHECK_MENU), this,
                   [this] { PostStartCheck(); });
    menu.exec(event->globalPos());
}

QString MessageBoxCaption() {
    return QCoreApplication::applicationName();
}

}  // namespace norvessa::ui
