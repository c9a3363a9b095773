// The status line's second line: with two monitors it names the one the next calibration
// covers (the main window's, or the --screen choice) and follows the window from one to the
// other; with one monitor there is no second line wherever the window goes.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "driver_options.h"
#include "launched_app.h"
#include "resource.h"
#include "window_queries.h"

namespace norvessa::automation {

namespace {

// The monitors two-monitors.sh sets up: 1280 x 1024 at the origin, 1024 x 768 to its right.
constexpr int SECOND_MONITOR_LEFT = 1280;
const wchar_t* const FIRST_MONITOR_NOTE =
    L"Calibration covers screen 0 \"\\\\.\\DISPLAY1\" (1280 x 1024 pixels)";
const wchar_t* const SECOND_MONITOR_NOTE =
    L"Calibration covers screen 1 \"\\\\.\\DISPLAY2\" (1024 x 768 pixels)";

struct Placement {
    const wchar_t* arguments;
    int windowLeft;
    const wchar_t* noteWithTwoMonitors;
};

// In order: the window on each monitor and back, then a --screen choice that outweighs it.
const Placement kPlacements[] = {
    {L"", 100, FIRST_MONITOR_NOTE},
    {L"", SECOND_MONITOR_LEFT + 100, SECOND_MONITOR_NOTE},
    {L"", 100, FIRST_MONITOR_NOTE},
    {L"--screen 1", 100, SECOND_MONITOR_NOTE},
};

std::wstring Expected(const Placement& placement) {
    // The plain application under Wine finds no controller; the driver runs in English here.
    const std::wstring controller = L"No touch controller found";
    return Options().twoMonitors ? controller + L"\r\n" + placement.noteWithTwoMonitors
                                 : controller;
}

TEST(MonitorNoteTest, NamesTheMonitorTheNextCalibrationCoversOnlyWhenThereAreTwo) {
    if (Options().language != Language::English || Options().demo || Options().controller) {
        GTEST_SKIP() << "checked with the plain application in English";
    }
    ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), Options().twoMonitors ? 2 : 1);
    std::optional<LaunchedApp> app;
    std::wstring launchedWith;
    HWND dialog = nullptr;
    for (const Placement& placement : kPlacements) {
        if (!Options().twoMonitors && *placement.arguments != L'\0') {
            continue;  // one monitor has no screen 1 to choose: the option is refused
        }
        SCOPED_TRACE(testing::Message() << "window at x " << placement.windowLeft);
        if (!app || launchedWith != placement.arguments) {
            app.reset();
            app.emplace(Options().application, placement.arguments);
            launchedWith = placement.arguments;
            dialog = app->WaitForMainDialog(Options().startPatience);
            ASSERT_NE(dialog, nullptr) << "the main dialog did not appear";
        }
        // Sent to the dialog's thread and handled before it returns.
        ASSERT_TRUE(SetWindowPos(dialog, nullptr, placement.windowLeft, 100, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
        HWND line = GetDlgItem(dialog, IDC_STATUS_LINE);
        const std::wstring expected = Expected(placement);
        EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return WindowText(line) == expected; }))
            << "the status line reads " << testing::PrintToString(WindowText(line));
    }
}

}  // namespace

}  // namespace norvessa::automation
