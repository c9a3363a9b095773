#pragma once
// Our own HID report-descriptor parser: from the raw descriptor bytes to the capability records
// that the Windows HID parser hands out (HidP_GetCaps, HidP_GetButtonCaps, HidP_GetValueCaps),
// so that a platform without that parser builds the same output-data table.
//
// Windows opens every top-level collection as an interface of its own, with its own caps and
// report lengths; the result therefore lists one record per top-level collection.
//
// A top-level collection that holds an item we cannot read is skipped, and the others are still
// read: a hidraw node carries every collection of its device, and one odd item in a keyboard's
// collection must not hide the controller's. What crosses collections is handled so that a
// collection is never read with a state we are unsure of:
// - Global items (Push and Pop included) inside a skipped collection are still applied, since
//   the collections after it inherit them.
// - A refused global item leaves that inherited state unknown: its own collection and every
//   later one are skipped.
// - A refused local item between collections belongs to the collection it would name: that one
//   is skipped, with its usage unknown.
// - An item outside every collection that we cannot place (a report item, an End Collection
//   with nothing open, an unknown main or reserved item) breaks the nesting the split relies
//   on, and the bounds on length and on the number of top-level collections hold for the whole
//   descriptor: these refuse the descriptor whole.
// - A skipped collection gives back its capabilities, so MAX_HID_CAPABILITIES bounds what is
//   kept; inside it only the nesting is followed, by a counter, so no depth bound is needed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hid/output_table.h"

namespace norvessa {

// Bounds that keep a hostile descriptor small in memory.
inline constexpr std::size_t MAX_HID_DESCRIPTOR_LENGTH = 4096;
inline constexpr std::size_t MAX_HID_CAPABILITIES = 1024;  // all kinds, all collections
inline constexpr std::size_t MAX_HID_USAGES_PER_ITEM = 256;
inline constexpr std::size_t MAX_HID_GLOBAL_STACK_DEPTH = 16;
inline constexpr std::uint32_t MAX_HID_COLLECTION_DEPTH = 64;
inline constexpr std::size_t MAX_HID_TOP_LEVEL_COLLECTIONS = 64;
// The largest report whose byte length, report ID byte included, fits the 16-bit caps field.
inline constexpr std::uint64_t MAX_HID_REPORT_BITS = (0xFFFFu - 1u) * 8u;

enum class HidReportKind : std::uint8_t { Input = 0, Output = 1, Feature = 2 };
inline constexpr std::size_t HID_REPORT_KIND_COUNT = 3;

// One button or value capability, with the number of report fields it stands for (the
// platform's ReportCount: all the fields of an array item for each of its usages; 0 for aliases).
struct HidCapability {
    HidReportCaps caps;
    std::uint32_t fieldCount = 0;
    friend bool operator==(const HidCapability&, const HidCapability&) = default;
};

struct HidKindCaps {
    std::vector<HidCapability> buttons;
    std::vector<HidCapability> values;
    // The longest report of this kind in bytes, its report ID byte included; 0 without one.
    std::uint16_t reportByteLength = 0;
};

// What the platform knows of one top-level collection.
struct HidCollectionCaps {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::array<HidKindCaps, HID_REPORT_KIND_COUNT> kinds;

    const HidKindCaps& Of(HidReportKind kind) const {
        return kinds[static_cast<std::size_t>(kind)];
    }
    HidKindCaps& Of(HidReportKind kind) { return kinds[static_cast<std::size_t>(kind)]; }
    // The HidP_GetCaps view that the table build reads.
    HidCaps Caps() const;
};

enum class HidParseError {
    None,
    DescriptorTooLong,
    TruncatedItem,
    ReservedItem,
    UnknownMainItem,
    UnknownGlobalItem,
    UsagePageTooLarge,
    InvalidReportId,
    GlobalStackOverflow,
    PopWithoutPush,
    TooManyUsages,
    UnpairedUsageRange,
    ReversedUsageRange,
    UsageRangeAcrossPages,
    MisplacedDelimiter,
    MainItemOutsideCollection,
    CollectionTooDeep,
    TooManyCollections,
    EndWithoutCollection,
    UnclosedCollection,
    ReportTooLong,
    TooManyCapabilities,
    NoCollection,
    OutOfMemory,
};

struct HidRefusal {
    HidParseError error = HidParseError::None;
    std::size_t offset = 0;  // of the item that was refused, or the length for a late refusal
    friend bool operator==(const HidRefusal&, const HidRefusal&) = default;
};

// A top-level collection that could not be read, with its first reason.
struct HidSkippedCollection {
    HidRefusal reason;
    // The collection's declared usage; unknown when the items that declare it were refused
    // or the usage page in force was lost.
    bool usageKnown = false;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
};

struct HidParseResult {
    // None while at least one top-level collection was read; else why not (the first refusal).
    HidParseError error = HidParseError::None;
    std::size_t offset = 0;
    std::vector<HidCollectionCaps> collections;  // the collections read, in descriptor order
    std::vector<HidSkippedCollection> skipped;   // the others, in descriptor order

    bool ok() const { return error == HidParseError::None; }
};

// Parses a whole descriptor. Never throws, never reads past the span. A descriptor refused
// whole, or one of which no top-level collection can be read, gives a refusal with no
// collections.
HidParseResult ParseHidDescriptor(std::span<const std::uint8_t> descriptor);

std::string_view HidParseErrorText(HidParseError error);
// "<reason> at offset <n>", or "ok" (followed by the skipped collections, if any).
std::string DescribeHidParseResult(const HidParseResult& result);

// A reader for the table build over the output caps of one collection, which must outlive it.
OutputCapsReader OutputCapsReaderFor(const HidCollectionCaps& collection);

}  // namespace norvessa
