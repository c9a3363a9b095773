#pragma once
// A monitor's physical size from its EDID block, as the monitor itself reports it: the
// preferred timing's image size in millimetres, else the basic display parameters' size in
// centimetres. Nothing when the block is not an EDID, its checksum fails, or it names no
// size (zeros, or an aspect ratio in place of a size).

#include <cstdint>
#include <optional>
#include <span>

#include "calibration/check_error.h"

namespace norvessa {

inline constexpr std::size_t EDID_BLOCK_SIZE = 128;

std::optional<MonitorMillimetres> EdidPhysicalSize(std::span<const std::uint8_t> edid);

}  // namespace norvessa
