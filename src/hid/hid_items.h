#pragma once
// The item layer of a HID report descriptor: cuts the raw bytes into short and long items,
// never reading past the end. What the items mean is the descriptor parser's business.

#include <cstddef>
#include <cstdint>
#include <span>

namespace norvessa {

enum class HidItemType : std::uint8_t { Main = 0, Global = 1, Local = 2, Reserved = 3 };

struct HidItem {
    std::size_t offset = 0;  // of the prefix byte
    std::size_t length = 0;  // the whole item, prefix included
    HidItemType type = HidItemType::Main;
    std::uint8_t tag = 0;
    std::uint8_t dataSize = 0;  // 0, 1, 2 or 4 bytes; a long item's own length
    std::uint32_t data = 0;     // little-endian, zero-extended; 0 for a long item
    bool isLong = false;
};

enum class HidItemRead { Item, End, Truncated };

// Reads the item that starts at offset. End when offset is at or past the end; Truncated when
// the item's prefix promises more bytes than remain.
HidItemRead ReadHidItem(std::span<const std::uint8_t> bytes, std::size_t offset, HidItem& item);

}  // namespace norvessa
