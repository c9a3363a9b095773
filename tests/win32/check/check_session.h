#pragma once
// The real check window in this process, the user played by a driver thread that touches its
// points with posted mouse messages and presses the picture's buttons. As in the calibration
// tests, the driver never asserts: it notes what went wrong, and the test checks that after
// the window has ended.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "calibration/win32/check_dialog.h"

namespace norvessa::test {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds CHECK_UI_TIMEOUT = 20s;

class CheckSession;

class CheckDriver {
  public:
    explicit CheckDriver(CheckSession& session) : session_(session) {}

    void Fail(const std::string& what);
    // The check window, once it is visible; null (and noted) after the time-out.
    HWND WaitForWindow();
    // The check points of the screen, as the window lays them out.
    std::vector<PixelPoint> Points() const;
    // A steady touch at `at` (client pixels): press, twelve moves on the spot, lift.
    void Touch(POINT at);
    // The first `count` check points (all by default) touched at their own offsets.
    void TouchPoints(const std::vector<POINT>& offsets, std::size_t count = SIZE_MAX);
    // A finger drawn from `from` to `to` in a few steps.
    void Drag(POINT from, POINT to);
    // Waits until the `count`-th picture has shown.
    bool WaitForPicture(int count);
    // Touches a button of the last picture; false (and noted) when it has none such.
    bool Press(CheckButton button);
    void Escape();

  private:
    CheckSession& session_;
    HWND window_ = nullptr;
};

class CheckSession {
  public:
    explicit CheckSession(win32::CheckOptions options = {});

    // Runs the check window on this thread and `script` on a driver thread; returns how the
    // window ended once both have.
    win32::CheckEnd Run(const std::function<void(CheckDriver&)>& script);

    // What the window held when it ended.
    const std::optional<CheckResult>& result() const { return result_; }
    const std::string& summary() const { return summary_; }
    const std::string& diagnosis() const { return diagnosis_; }
    int checksRun() const { return checksRun_; }
    std::size_t trailStrokes() const { return trailStrokes_; }
    std::vector<CheckButton> buttonsShown();
    std::vector<std::string> failures();

  private:
    friend class CheckDriver;

    win32::CheckOptions options_;
    std::mutex mutex_;
    std::vector<PictureButton> lastButtons_;
    int picturesShown_ = 0;
    std::vector<std::string> failures_;
    std::optional<CheckResult> result_;
    std::string summary_;
    std::string diagnosis_;
    int checksRun_ = 0;
    std::size_t trailStrokes_ = 0;
};

}  // namespace norvessa::test
