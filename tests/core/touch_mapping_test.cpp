// The transformation matrix that puts a touch screen spanning the X root window onto one
// monitor, and the xorg.conf.d section that keeps it there.

#include "calibration/touch_mapping.h"

#include <gtest/gtest.h>

#include <clocale>

namespace norvessa {
namespace {

TEST(TouchMapping, MatrixScalesAndShiftsTheRootOntoTheMonitor) {
    struct Case {
        PixelRect monitor;
        PixelSize root;
        std::array<float, 9> matrix;
    };
    const Case cases[] = {
        // The only monitor: nothing to change.
        {{0, 0, 1920, 1080}, {1920, 1080}, {1, 0, 0, 0, 1, 0, 0, 0, 1}},
        // Right of two side by side, and the lower of two one above the other.
        {{1920, 0, 1920, 1080}, {3840, 1080}, {0.5f, 0, 0.5f, 0, 1, 0, 0, 0, 1}},
        {{0, 1080, 1920, 1080}, {1920, 2160}, {1, 0, 0, 0, 0.5f, 0.5f, 0, 0, 1}},
        // A smaller monitor beside a larger one, lower edges unaligned.
        {{2560, 360, 1280, 1024},
         {3840, 1440},
         {1.f / 3, 0, 2.f / 3, 0, 1024.f / 1440, 360.f / 1440, 0, 0, 1}},
        // No root to map onto.
        {{10, 10, 100, 100}, {0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        const std::array<float, 9> matrix = TransformationMatrixFor(c.monitor, c.root);
        for (std::size_t i = 0; i < 9; ++i) {
            EXPECT_FLOAT_EQ(matrix[i], c.matrix[i])
                << "element " << i << " for monitor at " << c.monitor.x << "," << c.monitor.y;
        }
    }
}

TEST(TouchMapping, SnippetMatchesTheDeviceAndCarriesTheMatrixInAnyLocale) {
    // A decimal comma would make the X server read other numbers.
    const char* previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::string snippet = XorgSnippetFor(
        "Panel \"Multi\" Touch", TransformationMatrixFor({1920, 0, 1920, 1080}, {3840, 1080}));
    if (previous != nullptr) {
        std::setlocale(LC_NUMERIC, "C");
    }
    EXPECT_EQ(
        snippet,
        "# /etc/X11/xorg.conf.d/99-norvessa-touch.conf: keeps the touch screen on its monitor\n"
        "Section \"InputClass\"\n"
        "    Identifier \"norvessa touch mapping\"\n"
        "    MatchProduct \"Panel Multi Touch\"\n"
        "    Option \"TransformationMatrix\" \"0.5 0 0.5 0 1 0 0 0 1\"\n"
        "EndSection\n");
    EXPECT_EQ(MatrixText(TransformationMatrixFor({0, 0, 1, 3}, {3, 3})),
              "0.33333334 0 0 0 1 0 0 0 1");
}

}  // namespace
}  // namespace norvessa
