// The main dialog as a user meets it: caption, the nine buttons, the status line, focus,
// system menu, icon and About box, in the language the driver was started for.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver_options.h"
#include "launched_app.h"
#include "resource.h"
#include "version.h"
#include "window_queries.h"

namespace norvessa::automation {

namespace {

constexpr int DIALOG_WIDTH_UNITS = 331;
constexpr int DIALOG_HEIGHT_UNITS = 282;
constexpr UINT SYSTEM_COMMAND_ABOUT_LOW_BITS = 0x13;

struct ExpectedButton {
    int id;
    const wchar_t* english;
    const wchar_t* chinese;
    int x, y, width, height;
    int chineseWidth;  // the Chinese copy narrows three buttons
};

// In template order, which is also the tab order.
const ExpectedButton kButtons[] = {
    {IDC_QUIT, L"Quit", L"退出", 232, 204, 66, 41, 63},
    {IDC_CALIBRATE_4, L"4 Point Calibration", L"4 点校准", 25, 37, 69, 40, 69},
    {IDC_CALIBRATE_9, L"9 Point Calibration", L"9 点校准", 130, 37, 65, 41, 65},
    {IDC_CALIBRATE_16, L"16 Point Calibartion", L"16 点校准", 232, 37, 66, 41, 63},
    {IDC_CALIBRATE_25, L"25 Point Calibartion", L"25 点校准", 26, 120, 68, 41, 68},
    {IDC_RESET, L"Reset", L"重置", 130, 204, 66, 41, 66},
    {IDC_CALIBRATE_12, L"12 Point Calibration", L"12 点校准", 130, 121, 65, 40, 65},
    {IDC_CALIBRATE_15, L"15 Point Calibartion", L"15 点校准", 232, 120, 66, 40, 63},
    {IDC_CALIBRATE_20, L"20 Point Calibartion", L"20 点校准", 26, 204, 68, 40, 68},
};

bool Chinese() {
    return Options().language == Language::Chinese;
}

// Wine's HID interfaces (a keyboard and a mouse) hold no controller, so only Quit works in the
// application; the demo's simulated controller, or a controller present, enables every button.
bool ExpectEnabled(const ExpectedButton& button) {
    return Options().demo || Options().controller || button.id == IDC_QUIT;
}

std::wstring Caption(const ExpectedButton& button) {
    return Chinese() ? button.chinese : button.english;
}

std::string Narrow(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                        length, nullptr, nullptr);
    return narrow;
}

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        app_.emplace(Options().application);
        dialog_ = app_->WaitForMainDialog(Options().startPatience);
        ASSERT_NE(dialog_, nullptr) << "the main dialog did not appear";
    }

    HWND Control(int id) const { return GetDlgItem(dialog_, id); }

    std::optional<LaunchedApp> app_;
    HWND dialog_ = nullptr;
};

TEST_F(MainWindowTest, IsAnApplicationWindowCaptionedNorvessaWithASizingBorder) {
    EXPECT_EQ(Narrow(WindowText(dialog_)),
              Options().demo ? "Norvessa (simulated controller)" : "Norvessa");
    const auto style = static_cast<DWORD>(GetWindowLongW(dialog_, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(dialog_, GWL_EXSTYLE));
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
}

TEST_F(MainWindowTest, NineButtonsStandInTemplateOrderWithTheirCaptionsAndPositions) {
    // The buttons first, then the status line, which the template puts last.
    const std::vector<HWND> children = ChildWindows(dialog_);
    ASSERT_EQ(children.size(), std::size(kButtons) + 1);
    const DialogUnits units(dialog_, DIALOG_WIDTH_UNITS, DIALOG_HEIGHT_UNITS);
    ASSERT_TRUE(units.valid()) << "the client area is no whole number of base units";
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
        const ExpectedButton& expected = kButtons[i];
        HWND button = children[i];
        SCOPED_TRACE("button " + std::to_string(expected.id));
        EXPECT_EQ(GetDlgCtrlID(button), expected.id);
        EXPECT_EQ(Narrow(ClassName(button)), "Button");
        EXPECT_EQ(Narrow(WindowText(button)), Narrow(Caption(expected)));

        const DialogRect rect = units.ControlRect(button);
        EXPECT_EQ(rect.x, expected.x);
        EXPECT_EQ(rect.y, expected.y);
        EXPECT_EQ(rect.width, Chinese() ? expected.chineseWidth : expected.width);
        EXPECT_EQ(rect.height, expected.height);

        const auto style = static_cast<DWORD>(GetWindowLongW(button, GWL_STYLE));
        EXPECT_TRUE(style & WS_VISIBLE);
        EXPECT_TRUE(style & WS_TABSTOP);
        EXPECT_EQ(style & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
        EXPECT_EQ(IsWindowEnabled(button) != FALSE, ExpectEnabled(expected));
    }
}

// Why the buttons are grey, or that they are not: the application finds no controller under
// Wine, the demo has its simulated one.
TEST_F(MainWindowTest, StatusLineAboveTheButtonsSaysWhetherAControllerIsConnected) {
    HWND line = Control(IDC_STATUS_LINE);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(ChildWindows(dialog_).back(), line);
    EXPECT_EQ(Narrow(ClassName(line)), "Static");
    const std::wstring english =
        Options().demo ? L"Touch controller connected" : L"No touch controller found";
    const std::wstring chinese = Options().demo ? L"触摸控制器已连接" : L"未找到触摸控制器";
    EXPECT_EQ(Narrow(WindowText(line)), Narrow(Chinese() ? chinese : english));

    const DialogUnits units(dialog_, DIALOG_WIDTH_UNITS, DIALOG_HEIGHT_UNITS);
    ASSERT_TRUE(units.valid());
    const DialogRect rect = units.ControlRect(line);
    EXPECT_EQ(rect.x, 25);
    EXPECT_EQ(rect.y, 10);
    EXPECT_EQ(rect.width, 273);
    EXPECT_EQ(rect.height, 20);
    EXPECT_LE(rect.y + rect.height, 37) << "the line reaches into the first row of buttons";
    const auto style = static_cast<DWORD>(GetWindowLongW(line, GWL_STYLE));
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_TABSTOP);
}

TEST_F(MainWindowTest, TabOrderFollowsTheTemplateAndTheFocusStartsOnQuit) {
    const auto focused = [&] { return FocusedWindowOfThread(dialog_) == Control(IDC_QUIT); };
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, focused))
        << "focus is on control " << GetDlgCtrlID(FocusedWindowOfThread(dialog_));

    // Disabled buttons are no tab stops.
    HWND item = GetNextDlgTabItem(dialog_, nullptr, FALSE);
    for (const ExpectedButton& expected : kButtons) {
        if (!ExpectEnabled(expected)) {
            continue;
        }
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(GetDlgCtrlID(item), expected.id);
        item = GetNextDlgTabItem(dialog_, item, FALSE);
    }
    EXPECT_EQ(item, Control(IDC_QUIT)) << "the tab order does not wrap round to Quit";
}

// Ways of asking for the About box. The system menu's own contents are checked inside the
// application's process (GetSystemMenu does not reach into another process under Wine); here
// the user's road through the menu is taken: Alt+Space, End, Up, Enter chooses the item above
// the last (the check's entry). (Its "&About" mnemonic cannot be used: Wine's own system menu
// has an "About Wine" item.)
struct AboutRequest {
    const char* name;
    bool (*request)(const LaunchedApp& app, HWND dialog);
};

bool PostAboutCommand(const LaunchedApp&, HWND dialog) {
    return PostMessageW(dialog, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
}

bool PostAboutCommandWithLowBitsSet(const LaunchedApp&, HWND dialog) {
    return PostMessageW(dialog, WM_SYSCOMMAND, SYSTEM_COMMAND_ABOUT_LOW_BITS, 0);
}

// Opens the system menu as Alt+Space does; its menu loop then reads the keys that follow.
bool OpenSystemMenu(const LaunchedApp& app, HWND dialog) {
    PostMessageW(dialog, WM_SYSCOMMAND, SC_KEYMENU, VK_SPACE);
    const DWORD processId = app.processId();
    return WaitForWindow(WINDOW_TIMEOUT,
                         [&](HWND hwnd) { return IsVisibleMenuOf(hwnd, processId); }) != nullptr;
}

bool ChooseLastSystemMenuItem(const LaunchedApp& app, HWND dialog) {
    return OpenSystemMenu(app, dialog) && PostMessageW(dialog, WM_KEYDOWN, VK_END, 0) &&
           PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
}

bool ChooseItemAboveTheLast(const LaunchedApp& app, HWND dialog) {
    return OpenSystemMenu(app, dialog) && PostMessageW(dialog, WM_KEYDOWN, VK_END, 0) &&
           PostMessageW(dialog, WM_KEYDOWN, VK_UP, 0) &&
           PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0);
}

const AboutRequest kAboutRequests[] = {
    {"SystemCommand", &PostAboutCommand},
    {"SystemCommandWithLowBitsSet", &PostAboutCommandWithLowBitsSet},
    {"SystemMenuItemAboveTheLast", &ChooseItemAboveTheLast},
};

class AboutBoxTest : public MainWindowTest, public testing::WithParamInterface<AboutRequest> {};

TEST_P(AboutBoxTest, OpensAModalAboutBoxThatItsOkButtonCloses) {
    ASSERT_TRUE(GetParam().request(*app_, dialog_));
    HWND about = app_->WaitForOwnedDialog(dialog_);
    ASSERT_NE(about, nullptr) << "no About box appeared";
    EXPECT_FALSE(IsWindowEnabled(dialog_)) << "the About box is not modal";

    std::vector<std::string> texts;
    for (HWND child : ChildWindows(about)) {
        texts.push_back(Narrow(WindowText(child)));
    }
    const auto shows = [&](const std::string& part) {
        for (const std::string& text : texts) {
            if (text.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(shows("Norvessa"));
    EXPECT_TRUE(shows(NORVESSA_VERSION_STRING));
    const auto icon = SendMessageWithTimeout(GetDlgItem(about, IDC_ABOUT_ICON), STM_GETICON, 0, 0);
    EXPECT_TRUE(icon && *icon != 0) << "the About box shows no icon";

    HWND ok = GetDlgItem(about, IDOK);
    ASSERT_NE(ok, nullptr);
    ASSERT_TRUE(PostMessageW(ok, BM_CLICK, 0, 0));
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return !IsWindow(about); }));
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return IsWindowEnabled(dialog_) != FALSE; }));
    EXPECT_TRUE(app_->IsRunning());
}

// The system menu's last item, "Check calibration…", opens the check window over the whole
// screen; Escape there ends the check and the main dialog takes input again.
TEST_F(MainWindowTest, TheLastSystemMenuItemOpensTheCheckThatEscapeEnds) {
    ASSERT_TRUE(ChooseLastSystemMenuItem(*app_, dialog_));
    HWND check = app_->WaitForOwnedDialog(dialog_);
    ASSERT_NE(check, nullptr) << "no check window appeared";
    EXPECT_FALSE(IsWindowEnabled(dialog_)) << "the check window is not modal";
    RECT area{};
    GetWindowRect(check, &area);
    EXPECT_EQ(area.right - area.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(area.bottom - area.top, GetSystemMetrics(SM_CYSCREEN));
    ASSERT_TRUE(PostMessageW(check, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0));
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return !IsWindow(check); }));
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return IsWindowEnabled(dialog_) != FALSE; }));
    EXPECT_TRUE(app_->IsRunning());
}

std::string RequestName(const testing::TestParamInfo<AboutRequest>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Request, AboutBoxTest, testing::ValuesIn(kAboutRequests), RequestName);

}  // namespace

}  // namespace norvessa::automation
