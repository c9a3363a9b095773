// Every way of leaving the main dialog: all of them end the process with exit code 1 at once,
// except the OK command (Enter while no push button has the focus), which ends the modal run
// and lets the program return normally.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

#include "driver_options.h"
#include "launched_app.h"
#include "window_queries.h"

namespace norvessa::automation {

namespace {

constexpr DWORD QUIT_EXIT_CODE = 1;
constexpr DWORD NORMAL_EXIT_CODE = 0;

// Key-message lParam values: repeat count 1 and the key's scan code; bit 29 says Alt is held,
// bits 30 and 31 mark a release.
constexpr LPARAM ESCAPE_DOWN = 0x00010001;
constexpr LPARAM SPACE_DOWN = 0x00390001;
constexpr LPARAM SPACE_UP = static_cast<LPARAM>(0xC0390001u);
constexpr LPARAM ALT_F4_DOWN = 0x203E0001;

struct ExitCase {
    const char* name;
    void (*leave)(HWND dialog, HWND focused);
    DWORD exitCode;
};

void ClickQuit(HWND dialog, HWND) {
    PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
}

void SendCancelCommand(HWND dialog, HWND) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void PressEscape(HWND, HWND focused) {
    PostMessageW(focused, WM_KEYDOWN, VK_ESCAPE, ESCAPE_DOWN);
}

void PressSpaceOnFocusedButton(HWND, HWND focused) {
    PostMessageW(focused, WM_KEYDOWN, VK_SPACE, SPACE_DOWN);
    PostMessageW(focused, WM_KEYUP, VK_SPACE, SPACE_UP);
}

void PressAltF4(HWND, HWND focused) {
    PostMessageW(focused, WM_SYSKEYDOWN, VK_F4, ALT_F4_DOWN);
}

void SendClose(HWND dialog, HWND) {
    PostMessageW(dialog, WM_CLOSE, 0, 0);
}

void SendSystemClose(HWND dialog, HWND) {
    PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void SendOkCommand(HWND dialog, HWND) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

const ExitCase kExitCases[] = {
    {"QuitButton", &ClickQuit, QUIT_EXIT_CODE},
    {"CancelCommand", &SendCancelCommand, QUIT_EXIT_CODE},
    {"EscapeKey", &PressEscape, QUIT_EXIT_CODE},
    {"SpaceOnFocusedQuit", &PressSpaceOnFocusedButton, QUIT_EXIT_CODE},
    {"AltF4", &PressAltF4, QUIT_EXIT_CODE},
    {"CloseMessage", &SendClose, QUIT_EXIT_CODE},
    {"SystemMenuClose", &SendSystemClose, QUIT_EXIT_CODE},
    {"OkCommand", &SendOkCommand, NORMAL_EXIT_CODE},
};

class ExitTest : public testing::TestWithParam<ExitCase> {};

TEST_P(ExitTest, EndsTheProcessWithItsExitCode) {
    LaunchedApp app(Options().application);
    HWND dialog = app.WaitForMainDialog();
    ASSERT_NE(dialog, nullptr) << "the main dialog did not appear";
    HWND focused = nullptr;
    ASSERT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] {
        focused = FocusedWindowOfThread(dialog);
        return focused != nullptr;
    })) << "no control has the focus";

    GetParam().leave(dialog, focused);

    const std::optional<DWORD> exitCode = app.WaitForExit();
    ASSERT_TRUE(exitCode.has_value()) << "the application is still running";
    EXPECT_EQ(*exitCode, GetParam().exitCode);
}

std::string CaseName(const testing::TestParamInfo<ExitCase>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Way, ExitTest, testing::ValuesIn(kExitCases), CaseName);

}  // namespace

}  // namespace norvessa::automation
