// The demo as a user meets it: a whole calibration touched with the mouse (posted button and
// move messages on the full-screen window), the verdict box read and answered, and the Reset
// box. Runs only against norvessa-demo (--demo), whose simulated controller answers success.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "calibration/target_layout.h"
#include "driver_options.h"
#include "launched_app.h"
#include "resource.h"
#include "window_queries.h"

namespace norvessa::automation {

namespace {

constexpr int STEADY_MOVES = 12;

bool Chinese() {
    return Options().language == Language::Chinese;
}

// The text of a message box: its one static control that shows text (the other holds the icon).
std::wstring BoxText(HWND box) {
    for (HWND child : ChildWindows(box)) {
        if (ClassName(child) == L"Static" && !WindowText(child).empty()) {
            return WindowText(child);
        }
    }
    return {};
}

class DemoBoxTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!Options().demo) {
            GTEST_SKIP() << "needs the demo's simulated controller";
        }
        app_.emplace(Options().application);
        dialog_ = app_->WaitForMainDialog();
        ASSERT_NE(dialog_, nullptr) << "the main dialog did not appear";
    }

    void Press(int id) { PostMessageW(GetDlgItem(dialog_, id), BM_CLICK, 0, 0); }

    // Reads the box owned by `owner`, checks its caption and text, and presses `button`.
    void AnswerBox(HWND owner, const wchar_t* english, const wchar_t* chinese, int button) {
        HWND box = app_->WaitForOwnedDialog(owner);
        ASSERT_NE(box, nullptr) << "no message box appeared";
        EXPECT_EQ(WindowText(box), L"norvessa-demo");
        EXPECT_EQ(BoxText(box), Chinese() ? chinese : english);
        HWND answer = GetDlgItem(box, button);
        ASSERT_NE(answer, nullptr);
        PostMessageW(answer, BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return !IsWindow(box); }));
    }

    std::optional<LaunchedApp> app_;
    HWND dialog_ = nullptr;
};

TEST_F(DemoBoxTest, NinePointCalibrationEndsWithTheSuccessBox) {
    Press(IDC_CALIBRATE_9);
    HWND window = app_->WaitForOwnedDialog(dialog_);
    ASSERT_NE(window, nullptr) << "no calibration window appeared";
    EXPECT_FALSE(IsWindowEnabled(dialog_));
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYSCREEN));

    TargetTable targets;
    ASSERT_EQ(
        LayoutTargets(9, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), targets),
        LayoutResult::Ok);
    for (int k = 0; k < 9; ++k) {
        // Touch a target once its cross shows, as a user does: the controller has been told of
        // it by then.
        const POINT at{targets.x[k], targets.y[k]};
        ASSERT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return ScreenPixelIs(at, RGB(0, 0, 0)); }))
            << "no cross at target " << k;
        PostMouseTouch(window, at, STEADY_MOVES);
    }
    AnswerBox(window, L"Calibration succeed!", L"校准成功!", IDOK);
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return !IsWindow(window); }));
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return IsWindowEnabled(dialog_) != FALSE; }));
    EXPECT_TRUE(app_->IsRunning());
}

TEST_F(DemoBoxTest, ResetShowsItsOutcomeOnTheMainDialog) {
    Press(IDC_RESET);
    AnswerBox(dialog_, L"Reset succeed", L"重置成功", IDOK);
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return IsWindowEnabled(dialog_) != FALSE; }));
}

TEST_F(DemoBoxTest, EscapeEndsTheCalibrationWindow) {
    Press(IDC_CALIBRATE_4);
    HWND window = app_->WaitForOwnedDialog(dialog_);
    ASSERT_NE(window, nullptr) << "no calibration window appeared";
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return !IsWindow(window); }));
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return IsWindowEnabled(dialog_) != FALSE; }));
    EXPECT_TRUE(app_->IsRunning());
}

}  // namespace

}  // namespace norvessa::automation
