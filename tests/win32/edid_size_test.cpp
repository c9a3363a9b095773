// The physical size a monitor's EDID block tells: the preferred timing's millimetres first,
// the centimetres of the basic parameters next, nothing for a block that is no EDID.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <numeric>
#include <vector>

#include "calibration/edid_size.h"

namespace norvessa {
namespace {

struct Edid {
    std::uint8_t widthCm = 0;
    std::uint8_t heightCm = 0;
    std::uint16_t pixelClock = 14850;  // 148.5 MHz in 10 kHz units; 0: a display descriptor
    std::uint16_t widthMm = 0;         // 12 bits each
    std::uint16_t heightMm = 0;
    bool goodChecksum = true;
    bool goodHeader = true;
};

std::vector<std::uint8_t> Block(const Edid& e) {
    std::vector<std::uint8_t> block(EDID_BLOCK_SIZE, 0);
    const std::array<std::uint8_t, 8> header = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    std::copy(header.begin(), header.end(), block.begin());
    if (!e.goodHeader) {
        block[7] = 0xFF;
    }
    block[21] = e.widthCm;
    block[22] = e.heightCm;
    block[54] = static_cast<std::uint8_t>(e.pixelClock & 0xFF);
    block[55] = static_cast<std::uint8_t>(e.pixelClock >> 8);
    block[66] = static_cast<std::uint8_t>(e.widthMm & 0xFF);
    block[67] = static_cast<std::uint8_t>(e.heightMm & 0xFF);
    block[68] = static_cast<std::uint8_t>(((e.widthMm >> 8) << 4) | (e.heightMm >> 8));
    const unsigned sum = std::accumulate(block.begin(), block.end() - 1, 0u);
    block[127] = static_cast<std::uint8_t>((256 - sum % 256) % 256 + (e.goodChecksum ? 0 : 1));
    return block;
}

struct EdidCase {
    const char* name;
    Edid edid;
    std::optional<MonitorMillimetres> expected;
};

TEST(EdidSizeTest, SizeFromTheTimingElseTheCentimetresElseNone) {
    const std::vector<EdidCase> cases = {
        {"24-inch panel, timing in mm",
         {.widthCm = 53, .heightCm = 30, .widthMm = 531, .heightMm = 299},
         MonitorMillimetres{531, 299}},
        {"high bits of both sizes",
         {.widthMm = 0x5A3, .heightMm = 0x2C7},
         MonitorMillimetres{0x5A3, 0x2C7}},
        {"no timing size: centimetres",
         {.widthCm = 34, .heightCm = 19},
         MonitorMillimetres{340, 190}},
        {"display descriptor first: centimetres",
         {.widthCm = 60, .heightCm = 34, .pixelClock = 0, .widthMm = 600, .heightMm = 340},
         MonitorMillimetres{600, 340}},
        {"an aspect ratio, not a size", {.widthCm = 79, .heightCm = 0}, std::nullopt},
        {"a projector: no size at all", {}, std::nullopt},
        {"bad checksum", {.widthMm = 531, .heightMm = 299, .goodChecksum = false}, std::nullopt},
        {"not an EDID header",
         {.widthMm = 531, .heightMm = 299, .goodHeader = false},
         std::nullopt},
    };
    for (const EdidCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<MonitorMillimetres> size = EdidPhysicalSize(Block(c.edid));
        ASSERT_EQ(size.has_value(), c.expected.has_value());
        if (size) {
            EXPECT_EQ(size->width, c.expected->width);
            EXPECT_EQ(size->height, c.expected->height);
        }
    }
}

TEST(EdidSizeTest, ABlockShorterThan128BytesIsNone) {
    std::vector<std::uint8_t> block = Block({.widthMm = 531, .heightMm = 299});
    block.resize(127);
    EXPECT_FALSE(EdidPhysicalSize(block).has_value());
    EXPECT_FALSE(EdidPhysicalSize({}).has_value());
}

}  // namespace
}  // namespace norvessa
