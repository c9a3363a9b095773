#include "calibration/edid_size.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace norvessa {

namespace {

constexpr std::array<std::uint8_t, 8> EDID_HEADER = {0x00, 0xFF, 0xFF, 0xFF,
                                                     0xFF, 0xFF, 0xFF, 0x00};
constexpr std::size_t WIDTH_CM = 21;
constexpr std::size_t HEIGHT_CM = 22;
// The first detailed timing descriptor, the preferred mode.
constexpr std::size_t TIMING = 54;
constexpr std::size_t TIMING_WIDTH_MM = TIMING + 12;
constexpr std::size_t TIMING_HEIGHT_MM = TIMING + 13;
constexpr std::size_t TIMING_SIZE_HIGH_BITS = TIMING + 14;

bool IsEdidBlock(std::span<const std::uint8_t> edid) {
    if (edid.size() < EDID_BLOCK_SIZE ||
        !std::equal(EDID_HEADER.begin(), EDID_HEADER.end(), edid.begin())) {
        return false;
    }
    // The 128 bytes sum to zero modulo 256.
    const unsigned sum = std::accumulate(edid.begin(), edid.begin() + EDID_BLOCK_SIZE, 0u);
    return sum % 256 == 0;
}

std::optional<MonitorMillimetres> TimingSize(std::span<const std::uint8_t> edid) {
    // A pixel clock of zero marks a display descriptor, not a timing.
    if (edid[TIMING] == 0 && edid[TIMING + 1] == 0) {
        return std::nullopt;
    }
    const unsigned high = edid[TIMING_SIZE_HIGH_BITS];
    const unsigned width = edid[TIMING_WIDTH_MM] | ((high & 0xF0u) << 4);
    const unsigned height = edid[TIMING_HEIGHT_MM] | ((high & 0x0Fu) << 8);
    if (width == 0 || height == 0) {
        return std::nullopt;
    }
    return MonitorMillimetres{static_cast<double>(width), static_cast<double>(height)};
}

}  // namespace

std::optional<MonitorMillimetres> EdidPhysicalSize(std::span<const std::uint8_t> edid) {
    if (!IsEdidBlock(edid)) {
        return std::nullopt;
    }
    if (const std::optional<MonitorMillimetres> timing = TimingSize(edid)) {
        return timing;
    }
    // Both zero: no size (a projector); one zero: the other is an aspect ratio.
    if (edid[WIDTH_CM] == 0 || edid[HEIGHT_CM] == 0) {
        return std::nullopt;
    }
    return MonitorMillimetres{edid[WIDTH_CM] * 10.0, edid[HEIGHT_CM] * 10.0};
}

}  // namespace norvessa
