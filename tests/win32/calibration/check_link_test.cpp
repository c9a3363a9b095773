// The check from the main dialog with the simulated controller current: after a successful
// calibration the status line's link starts it, and its "Calibrate again" runs the last count's
// calibration; nothing reaches the controller while the check runs.
#include <gtest/gtest.h>

#include <atomic>

#include "app/win32/status_line_view.h"
#include "calibration/check_picture.h"
#include "calibration/check_points.h"
#include "calibration_session.h"
#include "resource.h"
#include "window_queries.h"

namespace norvessa::test {
namespace {

using sim::Answer;

std::wstring StatusText(HWND dialog) {
    return automation::WindowText(GetDlgItem(dialog, IDC_STATUS_LINE));
}

// The first place along the status line's first line that is the link, in the dialog's
// client pixels.
std::optional<POINT> LinkPlace(HWND dialog) {
    HWND line = GetDlgItem(dialog, IDC_STATUS_LINE);
    RECT box{};
    GetWindowRect(line, &box);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
    const std::wstring connected = win32::ControllerStatusText(GetModuleHandleW(nullptr));
    for (LONG x = box.left; x < box.right; ++x) {
        const POINT at{x, box.top + 4};
        if (win32::IsOnCheckLink(dialog, GetModuleHandleW(nullptr), connected, at)) {
            return POINT{x + 4, at.y};
        }
    }
    return std::nullopt;
}

TEST(CheckLinkTest, TheLinkAfterASuccessStartsTheCheckWhoseCalibrateAgainRunsTheLastCount) {
    CalibrationSession session;
    session.peer().With(
        [](sim::SimulatedController& c) { c.SetCalibrationScript({.answer = Answer::Success}); });
    session.AnswerBoxesWith({IDOK});
    std::atomic<int> pictures = 0;
    session.OnCheckPicture([&](HWND) { ++pictures; });
    std::wstring before;
    std::wstring after;
    std::size_t receivedBeforeCheck = 0;
    std::size_t receivedAfterCheck = 0;
    session.Run([&](Driver& driver) {
        HWND main = driver.mainDialog();
        before = StatusText(main);
        driver.PressButton(IDC_CALIBRATE_4);
        HWND calibration = driver.WaitForCalibrationWindow();
        if (calibration == nullptr) {
            return;
        }
        driver.TouchTargets(calibration, 4, 0, 3);
        if (!driver.WaitForBoxes(1) || !driver.WaitForWindowGone(calibration) ||
            !driver.WaitForMainDialogEnabled()) {
            return;
        }
        after = StatusText(main);
        const std::optional<POINT> link = LinkPlace(main);
        driver.Check(link.has_value(), "the status line has no link");
        if (!link) {
            return;
        }
        receivedBeforeCheck = session.peer().ReceivedCount();
        const LPARAM at = MAKELPARAM(link->x, link->y);
        PostMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(main, WM_LBUTTONUP, 0, at);
        HWND check = driver.WaitForCalibrationWindow(calibration);
        if (check == nullptr) {
            return;
        }
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        for (const PixelPoint& p :
             LayoutCheckPoints(5, width, height).value_or(std::vector<PixelPoint>{})) {
            driver.Touch(check, POINT{p.x, p.y});
        }
        driver.Check(automation::WaitUntil(UI_TIMEOUT, [&] { return pictures == 1; }),
                     "the check's picture did not show");
        receivedAfterCheck = session.peer().ReceivedCount();
        const CheckButton shown[] = {CheckButton::Done, CheckButton::CheckAgain,
                                     CheckButton::CalibrateAgain, CheckButton::Clear};
        const CheckPictureLayout layout = LayoutCheckPicture(width, height, 1.0, shown);
        const PixelRect again = layout.buttons[2].rect;
        driver.Touch(check, POINT{again.x + again.width / 2, again.y + again.height / 2}, 1);
        HWND recalibration = driver.WaitForCalibrationWindow(check);
        if (recalibration == nullptr) {
            return;
        }
        // The last count's set-up and first point frames come before its window shows.
        driver.WaitForReceived(receivedAfterCheck + 2);
        PostMessageW(recalibration, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        driver.WaitForWindowGone(recalibration);
    });

    EXPECT_EQ(session.failures(), std::vector<std::string>{});
    EXPECT_EQ(before, L"Touch controller connected");
    EXPECT_EQ(after, L"Touch controller connected   Check the calibration");
    EXPECT_EQ(receivedAfterCheck, receivedBeforeCheck) << "the check sent something";
    const auto received = session.received();
    const auto expected = CalibrationSession::ExpectedFrames(4, 0);
    ASSERT_GE(received.size(), receivedAfterCheck + 2);
    EXPECT_EQ(received[receivedAfterCheck], expected[0]) << "not a 4-point set-up frame";
    EXPECT_EQ(received[receivedAfterCheck + 1], expected[1]);
}

}  // namespace
}  // namespace norvessa::test
