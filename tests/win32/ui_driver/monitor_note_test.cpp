// The status line's second line: with two monitors it names the one the next calibration
// covers (the main window's, or the --screen choice) and follows the window from one to the
// other; with one monitor there is no second line wherever the window goes. With the demo, a
// calibration then started covers the second monitor for real: its window, the frames its
// simulated controller received (NORVESSA_DEMO_FRAMES), and a touch sent as the mouse sends it.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "calibration/target_layout.h"
#include "driver_options.h"
#include "launched_app.h"
#include "resource.h"
#include "window_queries.h"

namespace norvessa::automation {

namespace {

// The monitors two-monitors.sh sets up: 1280 x 1024 at the origin, 1024 x 768 to its right.
constexpr int SECOND_MONITOR_LEFT = 1280;
constexpr int SECOND_MONITOR_WIDTH = 1024;
constexpr int SECOND_MONITOR_HEIGHT = 768;
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
// Those naming the second monitor are also where the demo's calibration must cover it.
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

using Frame = std::vector<std::uint8_t>;

// The first bytes of a set-up or point frame: magic, command, two little-endian 16-bit values,
// the point count.
Frame FrameStart(std::uint8_t command, int first, int second, std::uint8_t pointCount) {
    const auto low = [](int value) { return static_cast<std::uint8_t>(value & 0xFF); };
    const auto high = [](int value) { return static_cast<std::uint8_t>((value >> 8) & 0xFF); };
    return {0xAA, 0xF1, command, low(first), high(first), low(second), high(second), pointCount};
}

// The demo's frame log: one report a line, bytes in hex separated by spaces.
std::vector<Frame> ReadFrameLog(const std::wstring& path) {
    std::ifstream in{std::filesystem::path(path)};
    std::vector<Frame> frames;
    for (std::string line; std::getline(in, line);) {
        std::istringstream bytes(line);
        Frame frame;
        for (unsigned value = 0; bytes >> std::hex >> value;) {
            frame.push_back(static_cast<std::uint8_t>(value));
        }
        frames.push_back(std::move(frame));
    }
    return frames;
}

std::wstring FrameLogPath() {
    wchar_t directory[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, directory);
    return std::wstring(directory) + L"norvessa-second-monitor-frames.txt";
}

testing::AssertionResult StartsWith(const Frame& frame, const Frame& start) {
    if (frame.size() >= start.size() && std::equal(start.begin(), start.end(), frame.begin())) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << testing::PrintToString(frame) << " does not begin with "
                                       << testing::PrintToString(start);
}

constexpr int POINTS = 4;

POINT OnSecondMonitor(const TargetTable& targets, int k) {
    return POINT{SECOND_MONITOR_LEFT + targets.x[k], targets.y[k]};
}

// The cross of target `shown` is on the screen and that of target `gone` is not: its place
// shows the calibration window's background (a bare desktop would be black at both).
bool ShowsOnlyCross(const TargetTable& targets, int shown, int gone) {
    const COLORREF black = RGB(0, 0, 0);
    return ScreenPixelIs(OnSecondMonitor(targets, shown), black) &&
           !ScreenPixelIs(OnSecondMonitor(targets, gone), black);
}

// The demo started from `placement`: a 4-point calibration, its first cross touched, then
// ended; checks the window, the move to the second target and the frames received.
void CalibrateOnSecondMonitor(const Placement& placement, const TargetTable& targets,
                              const std::wstring& frameLog) {
    DeleteFileW(frameLog.c_str());
    LaunchedApp app(Options().application, placement.arguments);
    HWND dialog = app.WaitForMainDialog(Options().startPatience);
    ASSERT_NE(dialog, nullptr) << "the main dialog did not appear";
    ASSERT_TRUE(SetWindowPos(dialog, nullptr, placement.windowLeft, 100, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    PostMessageW(GetDlgItem(dialog, IDC_CALIBRATE_4), BM_CLICK, 0, 0);
    HWND window = app.WaitForOwnedDialog(dialog);
    ASSERT_NE(window, nullptr) << "no calibration window appeared";

    const RECT secondMonitor{SECOND_MONITOR_LEFT, 0, SECOND_MONITOR_LEFT + SECOND_MONITOR_WIDTH,
                             SECOND_MONITOR_HEIGHT};
    RECT rect{};
    EXPECT_TRUE(
        WaitUntil(WINDOW_TIMEOUT,
                  [&] { return GetWindowRect(window, &rect) && EqualRect(&rect, &secondMonitor); }))
        << "the calibration window covers " << rect.left << "," << rect.top << " "
        << rect.right - rect.left << "x" << rect.bottom - rect.top;

    // A touch on the first cross, sent as the mouse sends it, moves the run on.
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return ShowsOnlyCross(targets, 0, 1); }))
        << "no cross at the first target alone";
    ASSERT_TRUE(SendMouseTouch(OnSecondMonitor(targets, 0), 12));
    EXPECT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return ShowsOnlyCross(targets, 1, 0); }))
        << "the touch did not move the cross to the second target";

    // Escape ends the calibration, Enter the demo, which then writes its frame log.
    PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitUntil(WINDOW_TIMEOUT, [&] { return !IsWindow(window); }));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(app.WaitForExit().has_value()) << "the demo did not end";

    // The monitor's own size, and targets laid out on it from its top-left corner.
    const std::vector<Frame> frames = ReadFrameLog(frameLog);
    ASSERT_EQ(frames.size(), 3u) << "set-up, first and second point frame expected";
    EXPECT_TRUE(StartsWith(frames[0],
                           FrameStart(0x00, SECOND_MONITOR_WIDTH, SECOND_MONITOR_HEIGHT, POINTS)));
    for (int k = 0; k < 2; ++k) {
        EXPECT_TRUE(StartsWith(
            frames[static_cast<std::size_t>(k) + 1],
            FrameStart(static_cast<std::uint8_t>(k + 1), targets.x[k], targets.y[k], POINTS)))
            << "point frame " << k + 1;
    }
}

TEST(SecondMonitorCalibrationTest, CoversTheSecondMonitorInItsOwnPixels) {
    if (!Options().demo || !Options().twoMonitors) {
        GTEST_SKIP() << "checked with the demo on two monitors";
    }
    TargetTable targets;
    ASSERT_EQ(LayoutTargets(POINTS, SECOND_MONITOR_WIDTH, SECOND_MONITOR_HEIGHT, targets),
              LayoutResult::Ok);
    const std::wstring frameLog = FrameLogPath();
    ASSERT_TRUE(SetEnvironmentVariableW(L"NORVESSA_DEMO_FRAMES", frameLog.c_str()));
    for (const Placement& placement : kPlacements) {
        if (placement.noteWithTwoMonitors == SECOND_MONITOR_NOTE) {
            SCOPED_TRACE(testing::Message()
                         << "window at x " << placement.windowLeft << ", arguments "
                         << testing::PrintToString(std::wstring(placement.arguments)));
            CalibrateOnSecondMonitor(placement, targets, frameLog);
        }
    }
    DeleteFileW(frameLog.c_str());
}

}  // namespace

}  // namespace norvessa::automation
