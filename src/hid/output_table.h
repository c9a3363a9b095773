#pragma once
// The output-data table of one HID interface: one entry per data item of its output reports,
// button items first. The controller is recognised by the report ID of the first entry.
// The capability records mirror the fields of the platform HID parser's records that the
// table build reads, so Windows and our own descriptor parser feed the same code.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace norvessa {

// The success status that every table entry carries (the HID parser's success code).
inline constexpr std::uint32_t OUTPUT_ENTRY_STATUS_SUCCESS = 0x00110000;
// A bound on the expanded table, so a hostile descriptor cannot ask for gigabytes.
inline constexpr std::uint64_t MAX_OUTPUT_TABLE_ENTRIES = 65536;

struct HidCaps {
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t inputReportByteLength = 0;
    std::uint16_t outputReportByteLength = 0;
    std::uint16_t featureReportByteLength = 0;
    std::uint16_t numberOutputButtonCaps = 0;
    std::uint16_t numberOutputValueCaps = 0;
};

// One output button or value capability. For a capability that is not a range the platform
// keeps its usage in the storage of usageMin, and usageMax then holds a reserved word (0):
// the records keep that overlap so checks that read the range fields see what Windows sees.
struct HidReportCaps {
    std::uint16_t usagePage = 0;
    std::uint8_t reportId = 0;
    bool isRange = false;
    std::uint16_t usageMin = 0;
    std::uint16_t usageMax = 0;

    std::uint16_t usage() const { return usageMin; }
    friend bool operator==(const HidReportCaps&, const HidReportCaps&) = default;
};
using HidButtonCaps = HidReportCaps;
using HidValueCaps = HidReportCaps;

struct OutputDataEntry {
    bool isButton = false;
    std::uint16_t usagePage = 0;
    std::uint32_t status = 0;
    std::uint32_t reportId = 0;
    // Button entries: the first and last usage, and the usage-list length for the page.
    std::uint32_t usageMin = 0;
    std::uint32_t usageMax = 0;
    std::uint32_t maxUsageCount = 0;
    // Value entries: the one usage this entry stands for.
    std::uint16_t usage = 0;
    friend bool operator==(const OutputDataEntry&, const OutputDataEntry&) = default;
};

// The output group of a device record.
struct OutputGroup {
    std::vector<std::uint8_t> outBuffer;
    std::vector<OutputDataEntry> outTable;
    std::vector<HidButtonCaps> outButtonCaps;
    std::vector<HidValueCaps> outValueCaps;
};

// How the build asks the platform's HID parser about the output report kind.
// The readers fill the given arrays (sized from the caps counts) and report success.
struct OutputCapsReader {
    std::function<bool(std::span<HidButtonCaps>)> readButtonCaps;
    std::function<bool(std::span<HidValueCaps>)> readValueCaps;
    std::function<std::uint32_t(std::uint16_t usagePage)> maxUsageListLength;
};

// Builds the output group from the caps. On false the group may be partly filled; the
// caller releases it. Never throws: an allocation failure is a false result.
bool BuildOutputDataTable(const HidCaps& caps, const OutputCapsReader& reader, OutputGroup& out);

}  // namespace norvessa
