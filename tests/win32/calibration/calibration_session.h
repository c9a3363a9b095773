#pragma once
// The real main dialog in this process with the simulated controller current behind its named
// pipe, and a driver thread that plays the user: it presses buttons, touches the crosses with
// posted mouse messages and answers the message boxes, while the test thread runs the dialog.
// The driver never asserts (GoogleTest's assertions stay on the test thread): it notes what it
// saw and what went wrong, and the test checks that after the dialog has returned.

#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "calibration/target_layout.h"
#include "named_pipe_peer.h"
#include "protocol/frames.h"
#include "protocol/win32/overlapped_io.h"

namespace norvessa::test {

using namespace std::chrono_literals;

inline constexpr std::chrono::milliseconds UI_TIMEOUT = 20s;
// The extra info of mouse input that the system made from a touch or a pen.
inline constexpr ULONG_PTR TOUCH_OR_PEN_SIGNATURE = 0xFF515700;

enum class BoxOwner { MainDialog, CalibrationWindow, Other };

// One message box as the program asked for it.
struct ShownBox {
    std::wstring text;
    std::wstring caption;
    UINT type;
    BoxOwner owner;
};

class CalibrationSession;

// What the driver thread can do; every wait is bounded and failures are noted, not thrown.
class Driver {
  public:
    explicit Driver(CalibrationSession& session) : session_(session) {}

    HWND mainDialog() const;
    void Fail(const std::string& what);
    void Check(bool condition, const std::string& what) {
        if (!condition) {
            Fail(what);
        }
    }

    // BN_CLICKED from a main-dialog button, as a click sends it.
    void PressButton(int id);
    // The calibration window newer than `previous`, once it is visible; null after the time-out.
    HWND WaitForCalibrationWindow(HWND previous = nullptr,
                                  std::chrono::milliseconds timeout = UI_TIMEOUT);
    bool WaitForWindowGone(HWND window);
    bool WaitForReceived(std::size_t count);
    // Waits until `count` message boxes have been shown.
    bool WaitForBoxes(std::size_t count);
    bool WaitForMainDialogEnabled();

    // A mouse press at `at`, `moves` moves on the spot, then a release there: a steady touch
    // when moves > 10.
    void Touch(HWND window, POINT at, int moves = 12);
    // The same through SendInput, as the mouse driver delivers it, with `extraInfo` in every
    // event (what the system puts there for mouse input made from touch or pen).
    void SendMouseTouch(POINT at, ULONG_PTR extraInfo, int moves = 12);
    // Touches every target of an N-point run from `first` on, waiting for each point frame.
    void TouchTargets(HWND window, double pointCount, int first, int last);

  private:
    CalibrationSession& session_;
};

class CalibrationSession {
  public:
    // `inboundBufferSize`: the pipe's buffer for the tool's writes (see NamedPipePeer).
    explicit CalibrationSession(DWORD inboundBufferSize = 4096);
    ~CalibrationSession();
    CalibrationSession(const CalibrationSession&) = delete;
    CalibrationSession& operator=(const CalibrationSession&) = delete;

    sim::NamedPipePeer& peer() { return *peer_; }
    // Answers for the boxes still to come, in order (IDOK, IDYES, IDNO).
    void AnswerBoxesWith(std::deque<int> answers);
    // Runs on the user-interface thread while a box is up, before it is answered, as if the
    // user left it open while something happened.
    void WhileBoxIsUp(std::function<void()> action) { whileBoxIsUp_ = std::move(action); }
    // How long calibration windows wait for a touch or a verdict; the application's default
    // unless set before Run.
    void SetCalibrationTimeout(std::int64_t ms) { calibrationTimeoutMs_ = ms; }
    // How the application cancels a write that did not finish in time; set before Run.
    void SetWriteCancel(CancelFunction cancel) { writeCancel_ = cancel; }
    // Told, on the user-interface thread, when a check's picture shows; set before Run.
    void OnCheckPicture(std::function<void(HWND)> shown) { checkPictureShown_ = std::move(shown); }

    // Runs the main dialog on this thread and `script` on a driver thread; returns when both
    // have ended. The main dialog is ended with OK after the script, whatever happened.
    void Run(const std::function<void(Driver&)>& script);

    std::vector<ShownBox> boxes();
    std::vector<std::string> failures();
    std::vector<std::vector<std::uint8_t>> received();

    // The frames a run of N points sends up to and including target `lastTarget`.
    static std::vector<std::vector<std::uint8_t>> ExpectedFrames(double pointCount, int lastTarget);
    static TargetTable Targets(double pointCount);

  private:
    friend class Driver;
    int PresentBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);

    std::unique_ptr<sim::NamedPipePeer> peer_;
    std::mutex mutex_;
    std::deque<int> answers_;
    std::function<void()> whileBoxIsUp_;
    std::optional<std::int64_t> calibrationTimeoutMs_;
    CancelFunction writeCancel_ = &::CancelIoEx;
    std::function<void(HWND)> checkPictureShown_;
    std::vector<ShownBox> boxes_;
    std::vector<std::string> failures_;
    HWND mainDialog_ = nullptr;
};

}  // namespace norvessa::test
