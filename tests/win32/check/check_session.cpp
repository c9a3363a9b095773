#include "check_session.h"

#include <thread>

#include "calibration/check_points.h"
#include "window_queries.h"

namespace norvessa::test {

namespace {

constexpr int STEADY_MOVES = 12;
constexpr int DRAG_STEPS = 8;

LPARAM At(POINT p) {
    return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

}  // namespace

void CheckDriver::Fail(const std::string& what) {
    std::lock_guard lock(session_.mutex_);
    session_.failures_.push_back(what);
}

HWND CheckDriver::WaitForWindow() {
    window_ = automation::WaitForWindow(CHECK_UI_TIMEOUT, [](HWND hwnd) {
        return automation::IsVisibleDialogOf(hwnd, GetCurrentProcessId());
    });
    if (window_ == nullptr) {
        Fail("no check window appeared");
    }
    return window_;
}

std::vector<PixelPoint> CheckDriver::Points() const {
    return LayoutCheckPoints(session_.options_.points, GetSystemMetrics(SM_CXSCREEN),
                             GetSystemMetrics(SM_CYSCREEN))
        .value_or(std::vector<PixelPoint>{});
}

void CheckDriver::Touch(POINT at) {
    automation::PostMouseTouch(window_, at, STEADY_MOVES);
}

void CheckDriver::TouchPoints(const std::vector<POINT>& offsets, std::size_t count) {
    const std::vector<PixelPoint> points = Points();
    for (std::size_t k = 0; k < points.size() && k < count; ++k) {
        const POINT offset = k < offsets.size() ? offsets[k] : POINT{};
        Touch(POINT{points[k].x + offset.x, points[k].y + offset.y});
    }
}

void CheckDriver::Drag(POINT from, POINT to) {
    PostMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, At(from));
    for (int i = 1; i <= DRAG_STEPS; ++i) {
        const POINT step{from.x + (to.x - from.x) * i / DRAG_STEPS,
                         from.y + (to.y - from.y) * i / DRAG_STEPS};
        PostMessageW(window_, WM_MOUSEMOVE, MK_LBUTTON, At(step));
    }
    PostMessageW(window_, WM_LBUTTONUP, 0, At(to));
}

bool CheckDriver::WaitForPicture(int count) {
    const bool shown = automation::WaitUntil(CHECK_UI_TIMEOUT, [&] {
        std::lock_guard lock(session_.mutex_);
        return session_.picturesShown_ >= count;
    });
    if (!shown) {
        Fail("picture " + std::to_string(count) + " did not show");
    }
    return shown;
}

bool CheckDriver::Press(CheckButton button) {
    std::optional<PixelRect> rect;
    {
        std::lock_guard lock(session_.mutex_);
        for (const PictureButton& shown : session_.lastButtons_) {
            if (shown.button == button) {
                rect = shown.rect;
            }
        }
    }
    if (!rect) {
        Fail("the picture has no button " + std::to_string(static_cast<int>(button)));
        return false;
    }
    automation::PostMouseTouch(window_,
                               POINT{rect->x + rect->width / 2, rect->y + rect->height / 2}, 1);
    return true;
}

void CheckDriver::Escape() {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

CheckSession::CheckSession(win32::CheckOptions options) : options_(std::move(options)) {}

std::vector<CheckButton> CheckSession::buttonsShown() {
    std::lock_guard lock(mutex_);
    std::vector<CheckButton> buttons;
    for (const PictureButton& shown : lastButtons_) {
        buttons.push_back(shown.button);
    }
    return buttons;
}

std::vector<std::string> CheckSession::failures() {
    std::lock_guard lock(mutex_);
    return failures_;
}

win32::CheckEnd CheckSession::Run(const std::function<void(CheckDriver&)>& script) {
    win32::CheckOptions options = options_;
    win32::CCheckDialog* shownDialog = nullptr;
    options.pictureShown = [this, &shownDialog](HWND) {
        // On the window's thread: the layout is read where it is written.
        std::lock_guard lock(mutex_);
        lastButtons_ = shownDialog->pictureLayout().buttons;
        ++picturesShown_;
    };
    win32::CCheckDialog dialog(nullptr, options);
    shownDialog = &dialog;
    std::thread driverThread([&] {
        CheckDriver driver(*this);
        HWND window = driver.WaitForWindow();
        if (window == nullptr) {
            return;
        }
        script(driver);
        // A script that left the window open (a failure on the way) ends it, so Run returns.
        if (!automation::WaitUntil(CHECK_UI_TIMEOUT, [&] { return !IsWindow(window); })) {
            driver.Fail("the check window stayed open");
            for (int i = 0; i < 2 && IsWindow(window); ++i) {
                driver.Escape();
                automation::WaitUntil(5s, [&] { return !IsWindow(window); });
            }
        }
    });
    const win32::CheckEnd end = dialog.Run();
    driverThread.join();
    result_ = dialog.result();
    summary_ = dialog.summaryText();
    diagnosis_ = dialog.diagnosisText();
    checksRun_ = dialog.checksRun();
    trailStrokes_ = dialog.trailStrokes();
    return end;
}

}  // namespace norvessa::test
