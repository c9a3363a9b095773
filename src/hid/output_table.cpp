#include "hid/output_table.h"

#include <new>
#include <stdexcept>

namespace norvessa {
namespace {

// A range the table cannot expand safely: reversed, or ending at the last usage, where a
// 16-bit loop counter could never pass the end.
bool IsRefusedValueRange(const HidValueCaps& caps) {
    return caps.isRange && (caps.usageMin > caps.usageMax || caps.usageMax == 0xFFFF);
}

std::uint32_t ValueItemCount(const HidValueCaps& caps) {
    if (!caps.isRange) {
        return 1;
    }
    return static_cast<std::uint32_t>(caps.usageMax) - caps.usageMin + 1;
}

// The build's guard on the first value capability, read through its range fields whatever
// its kind. Without value capabilities there is nothing to compare, so nothing fails.
bool FirstValueCapsRejects(const std::vector<HidValueCaps>& valueCaps, std::uint32_t buttonCount) {
    if (valueCaps.empty()) {
        return false;
    }
    const HidValueCaps& first = valueCaps.front();
    return static_cast<std::uint32_t>(first.usageMin) ==
           static_cast<std::uint32_t>(first.usageMax) + buttonCount;
}

OutputDataEntry ButtonEntry(const HidButtonCaps& caps, std::uint32_t maxUsageCount) {
    OutputDataEntry entry;
    entry.isButton = true;
    entry.status = OUTPUT_ENTRY_STATUS_SUCCESS;
    entry.usagePage = caps.usagePage;
    entry.usageMin = caps.isRange ? caps.usageMin : caps.usage();
    entry.usageMax = caps.isRange ? caps.usageMax : caps.usage();
    entry.maxUsageCount = maxUsageCount;
    entry.reportId = caps.reportId;
    return entry;
}

OutputDataEntry ValueEntry(const HidValueCaps& caps, std::uint16_t usage) {
    OutputDataEntry entry;
    entry.isButton = false;
    entry.status = OUTPUT_ENTRY_STATUS_SUCCESS;
    entry.usagePage = caps.usagePage;
    entry.usage = usage;
    entry.reportId = caps.reportId;
    return entry;
}

bool BuildTable(const HidCaps& caps, const OutputCapsReader& reader, OutputGroup& out) {
    const std::uint32_t buttonCount = caps.numberOutputButtonCaps;
    out.outBuffer.assign(caps.outputReportByteLength, 0);
    out.outButtonCaps.assign(caps.numberOutputButtonCaps, HidButtonCaps{});
    out.outValueCaps.assign(caps.numberOutputValueCaps, HidValueCaps{});
    if (!out.outButtonCaps.empty() && !reader.readButtonCaps(out.outButtonCaps)) {
        return false;
    }
    if (!out.outValueCaps.empty() && !reader.readValueCaps(out.outValueCaps)) {
        return false;
    }
    std::uint64_t valueItems = 0;
    for (const HidValueCaps& valueCaps : out.outValueCaps) {
        if (IsRefusedValueRange(valueCaps)) {
            return false;
        }
        valueItems += ValueItemCount(valueCaps);
    }
    if (buttonCount + valueItems > MAX_OUTPUT_TABLE_ENTRIES) {
        return false;
    }
    out.outTable.assign(static_cast<std::size_t>(buttonCount + valueItems), OutputDataEntry{});

    std::size_t next = 0;
    for (const HidButtonCaps& buttonCaps : out.outButtonCaps) {
        if (next >= out.outTable.size() || FirstValueCapsRejects(out.outValueCaps, buttonCount)) {
            return false;
        }
        out.outTable[next++] =
            ButtonEntry(buttonCaps, reader.maxUsageListLength(buttonCaps.usagePage));
    }
    for (const HidValueCaps& valueCaps : out.outValueCaps) {
        const std::uint32_t first = valueCaps.isRange ? valueCaps.usageMin : valueCaps.usage();
        const std::uint32_t last = valueCaps.isRange ? valueCaps.usageMax : valueCaps.usage();
        for (std::uint32_t usage = first; usage <= last; ++usage) {
            // The count above sized the table for exactly these entries.
            out.outTable[next++] = ValueEntry(valueCaps, static_cast<std::uint16_t>(usage));
        }
    }
    return true;
}

}  // namespace

bool BuildOutputDataTable(const HidCaps& caps, const OutputCapsReader& reader, OutputGroup& out) {
    try {
        return BuildTable(caps, reader, out);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

}  // namespace norvessa
