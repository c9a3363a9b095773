#pragma once
// The main dialog: the nine buttons of dialog 102, the About box, the controller link with its
// hot-plug, and the way the program ends.

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/check_report.h"
#include "app/linux/check_run.h"
#include "app/linux/resource_texts.h"
#include "calibration/linux/calibration_window.h"
#include "calibration/linux/check_window.h"
#include "controller/linux/linux_controller_link.h"

class QLabel;
class QPushButton;
class QScreen;
class QSocketNotifier;

namespace norvessa::ui {

struct MainDialogOptions {
    // The demo's and the tests' controller, made current in place of the udev search.
    std::optional<ReadyController> readyController;
    FingerHook fingerHook;
    QString captionSuffix;
    CalibrationTimings calibrationTimings;
    // Told how each calibration window ended and whether its verdict was success.
    std::function<void(CalibrationEnd end, bool succeeded)> calibrationEnded;
    // Told how each check window ended, with what it measured.
    std::function<void(const CheckOutcome& outcome)> checkEnded;
    // How "Map to this monitor" maps the touch screen; unset: the button never shows.
    MapTouchDevice mapTouchDevice;
};

class CNorvessaDlg : public QDialog {
  public:
    explicit CNorvessaDlg(UiLanguage language, MainDialogOptions options = {},
                          QWidget* parent = nullptr);
    ~CNorvessaDlg() override;
    CNorvessaDlg(const CNorvessaDlg&) = delete;
    CNorvessaDlg& operator=(const CNorvessaDlg&) = delete;

    // The start path of the seven buttons and of a queued start: runs a calibration with
    // `count` points and returns when its window has ended. Any other count does nothing.
    void StartCalibration(long long count);
    // A start that arrives as a message: queued, handled by StartCalibration from the event
    // loop. The retry after a failed calibration comes this way.
    void PostStartCalibration(long long count);
    void RunReset();
    void ShowAbout();
    // Runs a check of the calibration and returns when its window has ended; needs no
    // controller. Its "Calibrate again" queues a calibration with the last run's count.
    void StartCheck(CheckRequest request = {});
    void PostStartCheck(CheckRequest request = {});
    // The calibration run last in this session, for the report.
    std::optional<ReportCalibration> lastCalibration() const { return lastCalibration_; }

    // Enter while no button has the focus: the orderly end, with the controller released.
    void accept() override;
    // Quit, Escape and closing the window: the process ends at once with exit code 1.
    void reject() override;

    QPushButton* button(int id) const;
    // The line above the buttons that says whether a controller is connected, and if not why.
    QLabel* statusLine() const { return statusLine_; }
    LinuxControllerLink& controllerLink() { return link_; }
    CMyDialog* activeCalibration() const { return calibration_; }
    CheckWindow* activeCheck() const { return check_; }
    UiLanguage language() const { return language_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // A resource pattern filled with the screen's index, name and the size its frames carry.
    QString ScreenNoteFor(QScreen& screen, int patternId) const;
    void CreateControls(const DialogTemplate& dialog);
    void ConnectButton(QPushButton* button, int id);
    void SetUpControllerLink(std::optional<ReadyController> ready);
    void EnableCommandButtons(bool enable);
    void OnControllerChanged(bool current);
    void UpdateStatusLine();
    // The controller's status, and with several screens the one the next calibration covers.
    void ShowStatusLine();
    // The status line's text, with the link to a check once a calibration has succeeded.
    void SetStatusText(const QString& text);
    void OnControllerReleasing();
    void ForgetGoneController();
    void ShowMessage(const QString& text);

    UiLanguage language_;
    FingerHook fingerHook_;
    CalibrationTimings calibrationTimings_;
    std::function<void(CalibrationEnd, bool)> calibrationEnded_;
    std::function<void(const CheckOutcome&)> checkEnded_;
    MapTouchDevice mapTouchDevice_;
    std::optional<ReportCalibration> lastCalibration_;
    std::map<int, QPushButton*> buttons_;
    QLabel* statusLine_ = nullptr;
    QString controllerStatusText_;
    // The screen the status line names, and what it says of it.
    QPointer<QScreen> notedScreen_;
    QString screenNote_;
    bool screenWatched_ = false;
    LinuxControllerLink link_;
    std::unique_ptr<QSocketNotifier> hotplug_;
    QPointer<CMyDialog> calibration_;
    QPointer<CheckWindow> check_;
};

// The caption of the program's message boxes: the application's name, which the application
// sets to its executable's name without extension, as the Windows build shows it.
QString MessageBoxCaption();

}  // namespace norvessa::ui
