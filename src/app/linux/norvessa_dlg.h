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

#include "app/linux/resource_texts.h"
#include "calibration/linux/calibration_window.h"
#include "controller/linux/linux_controller_link.h"

class QPushButton;
class QSocketNotifier;

namespace norvessa::ui {

struct MainDialogOptions {
    // The demo's and the tests' controller, made current in place of the udev search.
    std::optional<ReadyController> readyController;
    FingerHook fingerHook;
    QString captionSuffix;
    // Told how each calibration window ended and whether its verdict was success.
    std::function<void(CalibrationEnd end, bool succeeded)> calibrationEnded;
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

    // Enter while no button has the focus: the orderly end, with the controller released.
    void accept() override;
    // Quit, Escape and closing the window: the process ends at once with exit code 1.
    void reject() override;

    QPushButton* button(int id) const;
    LinuxControllerLink& controllerLink() { return link_; }
    CMyDialog* activeCalibration() const { return calibration_; }
    UiLanguage language() const { return language_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void CreateButtons(const DialogTemplate& dialog);
    void ConnectButton(QPushButton* button, int id);
    void SetUpControllerLink(std::optional<ReadyController> ready);
    void EnableCommandButtons(bool enable);
    void OnControllerReleasing();
    void ForgetControllerIfHungUp();
    void ShowMessage(const QString& text);

    UiLanguage language_;
    FingerHook fingerHook_;
    std::function<void(CalibrationEnd, bool)> calibrationEnded_;
    std::map<int, QPushButton*> buttons_;
    LinuxControllerLink link_;
    std::unique_ptr<QSocketNotifier> hotplug_;
    QPointer<CMyDialog> calibration_;
};

// The application's name: the caption of its message boxes.
inline constexpr const char* APPLICATION_NAME = "Norvessa";

}  // namespace norvessa::ui
