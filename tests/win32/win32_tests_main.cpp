// Entry point of the in-process Windows UI tests: they need windows, so without a display
// they report a skip instead of failing one by one.

#include <gtest/gtest.h>

#include <cstdio>

#include "window_queries.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!norvessa::automation::DisplayAvailable()) {
        std::puts("No display to show windows on (DISPLAY unset?): UI tests skipped.");
        return norvessa::automation::SKIPPED_EXIT_CODE;
    }
    return RUN_ALL_TESTS();
}
