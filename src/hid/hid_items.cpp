#include "hid/hid_items.h"

#include <array>

namespace norvessa {
namespace {

// The prefix byte of a long item; its size and tag follow in the next two bytes.
constexpr std::uint8_t LONG_ITEM_PREFIX = 0xFE;
constexpr std::size_t LONG_ITEM_HEADER = 3;
// The two low bits of a short item's prefix code its data size.
constexpr std::array<std::uint8_t, 4> SHORT_ITEM_DATA_SIZE = {0, 1, 2, 4};

}  // namespace

HidItemRead ReadHidItem(std::span<const std::uint8_t> bytes, std::size_t offset, HidItem& item) {
    if (offset >= bytes.size()) {
        return HidItemRead::End;
    }
    const std::size_t remaining = bytes.size() - offset;
    const std::uint8_t prefix = bytes[offset];
    item = HidItem{};
    item.offset = offset;
    if (prefix == LONG_ITEM_PREFIX) {
        if (remaining < LONG_ITEM_HEADER) {
            return HidItemRead::Truncated;
        }
        item.isLong = true;
        item.type = HidItemType::Reserved;
        item.dataSize = bytes[offset + 1];
        item.tag = bytes[offset + 2];
        item.length = LONG_ITEM_HEADER + item.dataSize;
        return item.length <= remaining ? HidItemRead::Item : HidItemRead::Truncated;
    }
    item.dataSize = SHORT_ITEM_DATA_SIZE[prefix & 0x03u];
    item.type = static_cast<HidItemType>((prefix >> 2) & 0x03u);
    item.tag = static_cast<std::uint8_t>(prefix >> 4);
    item.length = 1u + item.dataSize;
    if (item.length > remaining) {
        return HidItemRead::Truncated;
    }
    for (std::size_t i = 0; i < item.dataSize; ++i) {
        item.data |= static_cast<std::uint32_t>(bytes[offset + 1 + i]) << (8 * i);
    }
    return HidItemRead::Item;
}

}  // namespace norvessa
