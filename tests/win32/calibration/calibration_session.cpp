#include "calibration_session.h"

#include <thread>

#include "app/win32/norvessa_dlg.h"
#include "controller/win32/controller_state.h"
#include "protocol/win32/overlapped_io.h"
#include "ui/win32/message_box.h"
#include "window_queries.h"

namespace norvessa::test {

namespace {

// A dialog of this process owned by `owner` that is visible.
bool IsVisibleOwnedDialog(HWND hwnd, HWND owner) {
    return automation::IsVisibleDialogOf(hwnd, GetCurrentProcessId()) &&
           GetWindow(hwnd, GW_OWNER) == owner;
}

// The main dialog, handed to the driver once its initialisation has run.
class SessionDialog : public win32::CNorvessaDlg {
  public:
    SessionDialog(win32::MainDialogOptions options, std::function<void(HWND)> ready)
        : CNorvessaDlg(nullptr, std::move(options)), ready_(std::move(ready)) {}

  protected:
    BOOL OnInitDialog() override {
        const BOOL result = CNorvessaDlg::OnInitDialog();
        ready_(GetSafeHwnd());
        return result;
    }

  private:
    std::function<void(HWND)> ready_;
};

}  // namespace

HWND Driver::mainDialog() const {
    std::lock_guard lock(session_.mutex_);
    return session_.mainDialog_;
}

void Driver::Fail(const std::string& what) {
    std::lock_guard lock(session_.mutex_);
    session_.failures_.push_back(what);
}

void Driver::PressButton(int id) {
    HWND dialog = mainDialog();
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

HWND Driver::WaitForCalibrationWindow(HWND previous, std::chrono::milliseconds timeout) {
    HWND owner = mainDialog();
    HWND found = automation::WaitForWindow(
        timeout, [&](HWND hwnd) { return hwnd != previous && IsVisibleOwnedDialog(hwnd, owner); });
    Check(found != nullptr || timeout != UI_TIMEOUT, "no calibration window appeared");
    return found;
}

bool Driver::WaitForWindowGone(HWND window) {
    const bool gone = automation::WaitUntil(UI_TIMEOUT, [&] { return !IsWindow(window); });
    Check(gone, "the calibration window did not close");
    return gone;
}

bool Driver::WaitForReceived(std::size_t count) {
    const bool received = session_.peer().WaitForReceived(count, UI_TIMEOUT);
    Check(received, "the controller did not receive " + std::to_string(count) + " reports");
    return received;
}

bool Driver::WaitForBoxes(std::size_t count) {
    const bool shown = automation::WaitUntil(UI_TIMEOUT, [&] {
        std::lock_guard lock(session_.mutex_);
        return session_.boxes_.size() >= count;
    });
    Check(shown, "message box " + std::to_string(count) + " was not shown");
    return shown;
}

bool Driver::WaitForMainDialogEnabled() {
    HWND dialog = mainDialog();
    const bool enabled =
        automation::WaitUntil(UI_TIMEOUT, [&] { return IsWindowEnabled(dialog) != FALSE; });
    Check(enabled, "the main dialog did not come back");
    return enabled;
}

void Driver::Touch(HWND window, POINT at, int moves) {
    const LPARAM position = MAKELPARAM(at.x, at.y);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, position);
    for (int i = 0; i < moves; ++i) {
        PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, position);
    }
    PostMessageW(window, WM_LBUTTONUP, 0, position);
}

void Driver::SendMouseTouch(POINT at, ULONG_PTR extraInfo, int moves) {
    Check(automation::SendMouseTouch(at, moves, extraInfo), "SendInput refused the mouse input");
}

void Driver::TouchTargets(HWND window, double pointCount, int first, int last) {
    const TargetTable targets = CalibrationSession::Targets(pointCount);
    for (int k = first; k <= last; ++k) {
        const std::size_t before = session_.peer().ReceivedCount();
        Touch(window, POINT{targets.x[k], targets.y[k]});
        if (k + 1 < static_cast<int>(pointCount)) {
            // The next point frame shows that this target was accepted.
            if (!WaitForReceived(before + 1)) {
                return;
            }
        }
    }
}

CalibrationSession::CalibrationSession(DWORD inboundBufferSize)
    : peer_(std::make_unique<sim::NamedPipePeer>(inboundBufferSize)) {
    win32::SetMessageBoxPresenter(
        [this](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
            return PresentBox(owner, text, caption, type);
        });
}

CalibrationSession::~CalibrationSession() {
    win32::SetMessageBoxPresenter(nullptr);
}

void CalibrationSession::AnswerBoxesWith(std::deque<int> answers) {
    std::lock_guard lock(mutex_);
    answers_ = std::move(answers);
}

int CalibrationSession::PresentBox(HWND owner, const std::wstring& text,
                                   const std::wstring& caption, UINT type) {
    if (whileBoxIsUp_) {
        whileBoxIsUp_();
    }
    std::lock_guard lock(mutex_);
    BoxOwner kind = BoxOwner::Other;
    if (owner == mainDialog_) {
        kind = BoxOwner::MainDialog;
    } else if (IsVisibleOwnedDialog(owner, mainDialog_)) {
        kind = BoxOwner::CalibrationWindow;
    }
    boxes_.push_back(ShownBox{text, caption, type, kind});
    if (answers_.empty()) {
        failures_.push_back("a message box that the script did not expect");
        return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    }
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void CalibrationSession::Run(const std::function<void(Driver&)>& script) {
    win32::MainDialogOptions options;
    options.setUpControllerLink = [this](HWND mainWindow) {
        return SetUpControllerLinkWithReady(
            mainWindow, ReadyController{.path = peer_->path(), .handle = peer_->TakeHostHandle()});
    };
    sim::NamedPipePeer* peer = peer_.get();
    options.fingerHook = {[peer] { peer->FingerDown(); }, [peer] { peer->FingerUp(); }};
    if (calibrationTimeoutMs_) {
        options.calibrationTimeoutMs = *calibrationTimeoutMs_;
    }
    options.writeCancel = writeCancel_;
    options.checkPictureShown = checkPictureShown_;

    const UniqueKernelHandle ready = MakeManualResetEvent(false);
    HANDLE readyEvent = ready.get();
    SessionDialog dialog(std::move(options), [&](HWND hwnd) {
        {
            std::lock_guard lock(mutex_);
            mainDialog_ = hwnd;
        }
        SetEvent(readyEvent);
    });
    std::thread driverThread([&] {
        if (WaitForSingleObject(readyEvent, static_cast<DWORD>(UI_TIMEOUT.count())) !=
            WAIT_OBJECT_0) {
            return;
        }
        Driver driver(*this);
        script(driver);
        // Whatever the script left open: end calibration windows first, then the main dialog
        // with OK, the one way out that does not end the process.
        HWND main = driver.mainDialog();
        for (int attempt = 0; attempt < 3 && !IsWindowEnabled(main); ++attempt) {
            HWND open = automation::FindTopLevelWindow(
                [&](HWND hwnd) { return IsVisibleOwnedDialog(hwnd, main); });
            if (open != nullptr) {
                PostMessageW(open, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
            automation::WaitUntil(5s, [&] { return IsWindowEnabled(main) != FALSE; });
        }
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    dialog.DoModal();
    driverThread.join();
}

std::vector<ShownBox> CalibrationSession::boxes() {
    std::lock_guard lock(mutex_);
    return boxes_;
}

std::vector<std::string> CalibrationSession::failures() {
    std::lock_guard lock(mutex_);
    return failures_;
}

std::vector<std::vector<std::uint8_t>> CalibrationSession::received() {
    return peer_->With([](sim::SimulatedController& c) { return c.received(); });
}

TargetTable CalibrationSession::Targets(double pointCount) {
    TargetTable targets;
    [[maybe_unused]] const LayoutResult result = LayoutTargets(
        pointCount, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), targets);
    return targets;
}

std::vector<std::vector<std::uint8_t>> CalibrationSession::ExpectedFrames(double pointCount,
                                                                          int lastTarget) {
    const TargetTable targets = Targets(pointCount);
    std::vector<CalibrationFrame> frames = {
        BuildSetupFrame(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), pointCount)};
    for (int k = 0; k <= lastTarget; ++k) {
        frames.push_back(
            BuildPointFrame(static_cast<std::uint32_t>(k), targets.x[k], targets.y[k], pointCount));
    }
    std::vector<std::vector<std::uint8_t>> bytes;
    for (const CalibrationFrame& frame : frames) {
        bytes.emplace_back(frame.begin(), frame.end());
    }
    return bytes;
}

}  // namespace norvessa::test
