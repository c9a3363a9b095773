#pragma once
// Reports as text on the command line between the test driver and the device program:
// bytes as two-digit upper-case hex, separated by single spaces.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace norvessa::kernel {

std::string ToHex(std::span<const std::uint8_t> bytes);
// Null when a token is not a hex byte.
std::optional<std::vector<std::uint8_t>> ParseHex(const std::string& text);

}  // namespace norvessa::kernel
