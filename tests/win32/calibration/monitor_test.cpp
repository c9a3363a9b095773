// The calibration's monitor as Windows reports the desktop. Wine shows one monitor, so this
// checks the enumeration and the fall-backs; the choice among several is the portable table's.

#include <gtest/gtest.h>

#include <algorithm>

#include "calibration/win32/calibration_monitor.h"

namespace norvessa {
namespace {

TEST(CalibrationMonitor, TheDigitizersElseTheMainWindowsElseThePrimaryInPhysicalPixels) {
    const std::vector<PixelRect> monitors = DesktopMonitors();
    ASSERT_FALSE(monitors.empty());
    const PixelRect primary{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_NE(std::find(monitors.begin(), monitors.end(), primary), monitors.end());
    // Wine reports no digitizer; a touch machine's digitizer monitor wins over every window.
    const std::optional<PixelRect> digitizer = DigitizerMonitorArea();
    EXPECT_EQ(CalibrationMonitor(nullptr), digitizer.value_or(primary));
    // A main window on the primary, and one pushed off every monitor: the nearest one.
    for (const int left : {100, primary.width + 5000}) {
        HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, left, 100, 300, 200, nullptr,
                                      nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        const PixelRect expected = monitors.size() == 1 ? monitors[0] : primary;
        if (left == 100 || monitors.size() == 1) {
            EXPECT_EQ(CalibrationMonitor(window), digitizer.value_or(expected)) << left;
        }
        DestroyWindow(window);
    }
}

}  // namespace
}  // namespace norvessa
