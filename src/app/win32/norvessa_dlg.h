#pragma once
// The main dialog: nine buttons, the About and check entries of its system menu, its icon,
// the status line's check link, and the way the program ends.

#include <cstdint>
#include <functional>
#include <string>

#include "calibration/win32/calibration_dialog.h"
#include "ui/win32/message_map.h"
#include "ui/win32/modal_dialog.h"

namespace norvessa::win32 {

// What the demo and the tests change about the main dialog; the defaults make the application.
struct MainDialogOptions {
    // Initialisation step 4: the controller link's set-up; its result is the initialisation's.
    std::function<BOOL(HWND)> setUpControllerLink;
    // Told of every touch-down and lift-off on a calibration window.
    FingerHook fingerHook;
    // Appended to the caption ("Norvessa (simulated controller)").
    std::wstring captionSuffix;
    // Told how each calibration window ended: its verdict was success, a retry follows.
    std::function<void(HWND mainWindow, bool succeeded, bool retrying, bool notResponding)>
        calibrationEnded;
    // How long a calibration window waits for a touch, or for the verdict after its last target.
    std::int64_t calibrationTimeoutMs = RUN_TIMEOUT_MS;
    // How a frame's write that did not finish in time is cancelled, for the reset and the
    // calibrations (the tests put in one that never cancels, as a stuck driver would).
    CancelFunction writeCancel = &::CancelIoEx;
    // Told when a check's picture shows (tests wait for it).
    std::function<void(HWND checkWindow)> checkPictureShown;
};

class CNorvessaDlg : public CModalDialog {
  public:
    explicit CNorvessaDlg(HWND parent = nullptr, MainDialogOptions options = {});

  protected:
    BOOL OnInitDialog() override;
    std::optional<MessageResult> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    MessageResult OnSysCommand(WPARAM wParam, LPARAM lParam);
    MessageResult OnPaint(WPARAM wParam, LPARAM lParam);
    MessageResult OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    MessageResult OnDeviceChange(WPARAM wParam, LPARAM lParam);
    MessageResult OnDestroy(WPARAM wParam, LPARAM lParam);
    MessageResult OnStartCalibration(WPARAM wParam, LPARAM lParam);
    MessageResult OnWindowPosChanged(WPARAM wParam, LPARAM lParam);
    MessageResult OnDisplayChange(WPARAM wParam, LPARAM lParam);
    MessageResult OnDpiChanged(WPARAM wParam, LPARAM lParam);
    MessageResult OnLButtonUp(WPARAM wParam, LPARAM lParam);
    void OnBnClickedQuit();
    void OnBnClickedReset();
    void OnBnClicked4() { StartCalibration(4); }
    void OnBnClicked9() { StartCalibration(9); }
    void OnBnClicked16() { StartCalibration(16); }
    void OnBnClicked25() { StartCalibration(25); }
    void OnBnClicked12() { StartCalibration(12); }
    void OnBnClicked15() { StartCalibration(15); }
    void OnBnClicked20() { StartCalibration(20); }

    void AddAboutEntry();
    BOOL SetUpControllerLink();
    // The status line says whether a controller is connected, and if not, why not.
    void ShowControllerStatus();
    // Its second line follows the monitor the next calibration covers.
    void ShowCoveredMonitor();
    void PaintIconWhileMinimised();
    // Runs a calibration window modally; returns when it has ended. Does nothing while one
    // runs already.
    void StartCalibration(std::int32_t pointCount);
    // Runs the check window modally; "Calibrate again" there starts the last count's
    // calibration (9 before any).
    void StartCheck();

    static const MessageMap<CNorvessaDlg>& GetMessageMap();

    // A shared icon from LoadIconW: the system owns it, so nothing here destroys it.
    HICON m_hIcon;
    MainDialogOptions options_;
    bool calibrationRunning_ = false;
    // After a successful calibration the status line offers the check.
    bool checkLinkShown_ = false;
    std::int32_t lastPointCount_ = 0;
    // The status line's first line, kept so that moving the window does not search the HID
    // interfaces again.
    std::wstring controllerStatus_;
};

}  // namespace norvessa::win32
