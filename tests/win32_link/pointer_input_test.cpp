// The pointer and touch sources' conversions: which pointer messages are contacts, and where
// they lie in the calibration window's client pixels. Wine delivers neither kind of message,
// so these are checked as the pure functions they are.
#include "calibration/win32/pointer_input.h"

#include <gtest/gtest.h>

#include <optional>

namespace norvessa::win32 {
namespace {

struct PointerCase {
    const char* name;
    UINT message;
    POINTER_INPUT_TYPE type;
    POINTER_FLAGS flags;
    std::optional<PointerContact> expected;
};

TEST(PointerInputTest, FingersAndPensOnTheScreenAreContactsNothingElseIs) {
    using enum PointerContact;
    constexpr POINTER_FLAGS down = POINTER_FLAG_INRANGE | POINTER_FLAG_INCONTACT;
    const PointerCase cases[] = {
        {"finger down", WM_POINTERDOWN, PT_TOUCH, down | POINTER_FLAG_DOWN, Down},
        {"finger moves", WM_POINTERUPDATE, PT_TOUCH, down, Move},
        {"finger lifts", WM_POINTERUP, PT_TOUCH, POINTER_FLAG_UP, Up},
        {"pen down", WM_POINTERDOWN, PT_PEN, down | POINTER_FLAG_DOWN, Down},
        {"pen moves on the screen", WM_POINTERUPDATE, PT_PEN, down, Move},
        {"pen hovers", WM_POINTERUPDATE, PT_PEN, POINTER_FLAG_INRANGE, std::nullopt},
        {"pen lifts", WM_POINTERUP, PT_PEN, POINTER_FLAG_INRANGE | POINTER_FLAG_UP, Up},
        {"finger's contact cancelled", WM_POINTERUP, PT_TOUCH,
         POINTER_FLAG_UP | POINTER_FLAG_CANCELED, Cancelled},
        {"pen's contact cancelled mid-move", WM_POINTERUPDATE, PT_PEN,
         POINTER_FLAG_INRANGE | POINTER_FLAG_CANCELED, Cancelled},
        {"mouse", WM_POINTERDOWN, PT_MOUSE, down, std::nullopt},
        {"touchpad", WM_POINTERUPDATE, PT_TOUCHPAD, down, std::nullopt},
        {"pen enters range", WM_POINTERENTER, PT_PEN, POINTER_FLAG_INRANGE, std::nullopt},
    };
    for (const PointerCase& c : cases) {
        EXPECT_EQ(PointerContactOf(c.message, c.type, c.flags), c.expected) << c.name;
    }
}

struct PositionCase {
    const char* name;
    POINT screen;  // pixels for a pointer, hundredths of a pixel for WM_TOUCH
    POINT origin;
    SamplePoint expected;
};

TEST(PointerInputTest, PointerPositionsAreRelativeToTheWindowsMonitor) {
    const PositionCase cases[] = {
        {"primary monitor", {1919, 0}, {0, 0}, {1919, 0}},
        {"monitor right of the primary", {1940, 30}, {1920, 0}, {20, 30}},
        {"monitor left of and above the primary", {-1900, -1060}, {-1920, -1080}, {20, 20}},
    };
    for (const PositionCase& c : cases) {
        EXPECT_EQ(PointerToClient(c.screen, c.origin), c.expected) << c.name;
    }
}

TEST(PointerInputTest, TouchPositionsAreHundredthsOfAPixelRoundedDown) {
    const PositionCase cases[] = {
        {"whole pixels", {2000, 2000}, {0, 0}, {20, 20}},
        {"fractions drop", {2099, 50}, {0, 0}, {20, 0}},
        {"client origin away from the screen's", {2000, 2000}, {5, 10}, {15, 10}},
        // Truncating toward zero would put both of these on pixel 0 or -1 of the wrong side.
        {"negative screen coordinates", {-1, -150}, {0, 0}, {-1, -2}},
        {"monitor left of the primary", {-191950, 2000}, {-1920, 0}, {0, 20}},
    };
    for (const PositionCase& c : cases) {
        EXPECT_EQ(TouchInputToClient(c.screen.x, c.screen.y, c.origin), c.expected) << c.name;
    }
}

TEST(PointerInputTest, MessageTimesMapOntoTheTickClockAcrossTheWrap) {
    struct TimeCase {
        const char* name;
        DWORD messageTime;
        std::uint64_t tickNow;
        std::int64_t expected;
    };
    const TimeCase cases[] = {
        {"same moment", 5000, 5000, 5000},
        {"150 ms ago", 4850, 5000, 4850},
        {"after 49.7 days", 100, 0x100000000ull + 250, 0x100000000ll + 100},
        {"sent before the wrap, read after it", 0xFFFFFFF0u, 0x100000010ull, 0xFFFFFFF0ll},
    };
    for (const TimeCase& c : cases) {
        EXPECT_EQ(MessageTimeOnTickClock(c.messageTime, c.tickNow), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace norvessa::win32
