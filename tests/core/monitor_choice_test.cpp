#include "calibration/monitor_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvessa {
namespace {

constexpr PixelRect PRIMARY{0, 0, 1920, 1080};

struct MonitorCase {
    std::string name;
    std::vector<PixelRect> monitors;  // desktop rectangles, logical on a scaled desktop
    MonitorPreference preference;
    double scale;  // of the monitor expected
    std::size_t expected;
    PixelSize physicalSize;
    double touchX, touchY;  // a desktop point on the expected monitor
    PixelPoint touchPixels;
};

void PrintTo(const MonitorCase& c, std::ostream* out) {
    *out << c.name;
}

class MonitorChoice : public ::testing::TestWithParam<MonitorCase> {};

TEST_P(MonitorChoice, CoversTheRightMonitorInItsOwnPhysicalPixels) {
    const MonitorCase& c = GetParam();
    const std::optional<std::size_t> index = ChooseMonitor(c.monitors, c.preference);
    ASSERT_EQ(index, c.expected);
    const PixelRect& monitor = c.monitors[*index];
    EXPECT_EQ(PhysicalSize(monitor, c.scale), c.physicalSize);
    EXPECT_EQ(ToMonitorPixels(c.touchX, c.touchY, monitor, c.scale), c.touchPixels);
    // The monitor's top-left corner is (0, 0) and its far corner is its physical size.
    EXPECT_EQ(ToMonitorPixels(monitor.x, monitor.y, monitor, c.scale), (PixelPoint{0, 0}));
    EXPECT_EQ(
        ToMonitorPixels(monitor.x + monitor.width, monitor.y + monitor.height, monitor, c.scale),
        (PixelPoint{c.physicalSize.width, c.physicalSize.height}));
}

const PixelRect RIGHT_150{1920, 0, 1280, 720};  // 1920 x 1080 at 1.5
const PixelRect LEFT_200{-1280, 0, 1280, 720};  // 2560 x 1440 at 2, left of the primary
const PixelRect ONLY_125{0, 0, 1536, 864};      // 1920 x 1080 at 1.25
const PixelRect ODD_125{0, 0, 1366, 768};       // 1707.5 x 960 at 1.25
const PixelRect MAIN_ON_PRIMARY{200, 200, 400, 300};
const PixelRect MAIN_ON_RIGHT{2000, 100, 400, 300};

INSTANTIATE_TEST_SUITE_P(
    Layouts, MonitorChoice,
    ::testing::Values(MonitorCase{"one monitor at scale 1",
                                  {PRIMARY},
                                  {{}, {}, MAIN_ON_PRIMARY},
                                  1.0,
                                  0,
                                  {1920, 1080},
                                  100.4,
                                  50.6,
                                  {100, 51}},
                      MonitorCase{"one monitor at 1.25",
                                  {ONLY_125},
                                  {{}, {}, {10, 10, 300, 200}},
                                  1.25,
                                  0,
                                  {1920, 1080},
                                  768,
                                  432,
                                  {960, 540}},
                      MonitorCase{"odd size at 1.25 rounds half away from zero",
                                  {ODD_125},
                                  {{}, {}, {10, 10, 300, 200}},
                                  1.25,
                                  0,
                                  {1708, 960},
                                  0.2,
                                  767.6,
                                  {0, 960}},
                      MonitorCase{"main window on the right one at 1.5",
                                  {PRIMARY, RIGHT_150},
                                  {{}, {}, MAIN_ON_RIGHT},
                                  1.5,
                                  1,
                                  {1920, 1080},
                                  1920 + 640,
                                  360,
                                  {960, 540}},
                      MonitorCase{"window across both, more of it on the primary",
                                  {PRIMARY, RIGHT_150},
                                  {{}, {}, {1700, 100, 400, 300}},
                                  1.0,
                                  0,
                                  {1920, 1080},
                                  1919,
                                  0,
                                  {1919, 0}},
                      MonitorCase{"window across both, more of it on the right",
                                  {PRIMARY, RIGHT_150},
                                  {{}, {}, {1780, 100, 400, 300}},
                                  1.5,
                                  1,
                                  {1920, 1080},
                                  1920.5,
                                  719.5,
                                  {1, 1079}},
                      MonitorCase{"window off every monitor: the nearest to its centre",
                                  {PRIMARY, RIGHT_150},
                                  {{}, {}, {5000, 900, 200, 200}},
                                  1.5,
                                  1,
                                  {1920, 1080},
                                  3199,
                                  0,
                                  {1919, 0}},
                      MonitorCase{"negative origin left of the primary at 2",
                                  {PRIMARY, LEFT_200},
                                  {{}, {}, {-900, 200, 400, 300}},
                                  2.0,
                                  1,
                                  {2560, 1440},
                                  -1280 + 10.25,
                                  0.75,
                                  {21, 2}},
                      MonitorCase{"explicit choice over the main window's monitor",
                                  {PRIMARY, LEFT_200},
                                  {0, {}, {-900, 200, 400, 300}},
                                  1.0,
                                  0,
                                  {1920, 1080},
                                  5,
                                  5,
                                  {5, 5}},
                      MonitorCase{"digitizer's monitor over the main window's",
                                  {PRIMARY, RIGHT_150},
                                  {{}, 1, MAIN_ON_PRIMARY},
                                  1.5,
                                  1,
                                  {1920, 1080},
                                  1920,
                                  0,
                                  {0, 0}},
                      MonitorCase{"explicit choice over the digitizer's monitor",
                                  {PRIMARY, RIGHT_150},
                                  {0, 1, MAIN_ON_RIGHT},
                                  1.0,
                                  0,
                                  {1920, 1080},
                                  0,
                                  0,
                                  {0, 0}},
                      MonitorCase{"choices past the last monitor fall back to the main window",
                                  {PRIMARY, RIGHT_150},
                                  {5, 2, MAIN_ON_RIGHT},
                                  1.5,
                                  1,
                                  {1920, 1080},
                                  1920,
                                  0,
                                  {0, 0}}));

TEST(MonitorChoiceWithoutMonitors, ChoosesNone) {
    EXPECT_EQ(ChooseMonitor({}, {0, 0, MAIN_ON_PRIMARY}), std::nullopt);
}

// A screen against its display-server output: the size the frames carry and the factor
// touches are multiplied by; no size when a covering window cannot cover the output.
struct CoverCase {
    const char* name;
    PixelRect screen;  // logical, as the toolkit reports it
    double scale;
    std::optional<PixelSize> mode;
    std::optional<PixelSize> size;
    double perLogical;
};

TEST(CoverScreen, PrefersTheOutputsModeAndRefusesAShapeItCannotCover) {
    const CoverCase cases[] = {
        {"no output told: logical size times scale",
         {0, 0, 1366, 768},
         1.25,
         {},
         {{1708, 960}},
         1.25},
        {"output agrees at scale 2",
         {1280, 0, 1600, 1000},
         2.0,
         {{3200, 2000}},
         {{3200, 2000}},
         2.0},
        {"scaling X server stretched by the compositor",
         {0, 0, 2048, 1280},
         1.0,
         {{2560, 1600}},
         {{2560, 1600}},
         1.25},
        {"integer scale 2 on a 1.5 output",
         {0, 0, 1707, 1067},
         2.0,
         {{2560, 1600}},
         {{2560, 1600}},
         2560.0 / 1707},
        {"fractional scale 1.5: the logical size 687 x 513 was rounded",
         {0, 0, 687, 513},
         1.5,
         {{1030, 770}},
         {{1030, 770}},
         1.5},
        {"fractional scale 1.75: 589 x 440 logical",
         {0, 0, 589, 440},
         1.75,
         {{1030, 770}},
         {{1030, 770}},
         1.75},
        {"screen of another shape than its output", {0, 0, 1920, 1080}, 1.0, {{1280, 1024}}, {}, 0},
        {"output without a mode", {0, 0, 1920, 1080}, 1.0, {{0, 0}}, {}, 0},
        {"empty screen", {0, 0, 0, 1080}, 1.0, {}, {}, 0},
    };
    for (const CoverCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DisplayOutput output{"out", {c.screen.x, c.screen.y}, c.mode.value_or(PixelSize{})};
        const std::optional<ScreenPixels> pixels =
            CoverScreen(c.screen, c.scale, c.mode ? &output : nullptr);
        ASSERT_EQ(pixels.has_value(), c.size.has_value());
        if (pixels) {
            EXPECT_EQ(pixels->size, *c.size);
            EXPECT_DOUBLE_EQ(pixels->perLogical, c.perLogical);
        }
    }
}

TEST(FindOutput, MatchesByNameElseByTopLeftCorner) {
    const DisplayOutput outputs[] = {{"DP-1", {0, 0}, {2560, 1600}},
                                     {"HDMI-A-1", {2048, 0}, {1920, 1080}}};
    EXPECT_EQ(FindOutput(outputs, "HDMI-A-1", {0, 0}), &outputs[1]);
    EXPECT_EQ(FindOutput(outputs, "XWAYLAND1", {2048, 0}), &outputs[1]);
    EXPECT_EQ(FindOutput(outputs, "", {0, 0}), &outputs[0]);
    EXPECT_EQ(FindOutput(outputs, "XWAYLAND2", {100, 0}), nullptr);
    // Separate X screens: an output of one name on each, both at 0, 0.
    const DisplayOutput screens[] = {{"screen", {0, 0}, {1280, 1024}},
                                     {"screen", {0, 0}, {1024, 768}}};
    EXPECT_EQ(FindOutput(screens, "screen", {0, 0}, {1024, 768}), &screens[1]);
    EXPECT_EQ(FindOutput(screens, "screen", {0, 0}, {1280, 1024}), &screens[0]);
    EXPECT_EQ(FindOutput(screens, "", {0, 0}, {1023, 768}), &screens[1]);
}

}  // namespace
}  // namespace norvessa
