#include "parser_report.h"

#include <cstdio>

namespace norvessa::test {
namespace {

constexpr const char* KIND_NAMES[HID_REPORT_KIND_COUNT] = {"input", "output", "feature"};

std::string Hex(unsigned long value, int digits) {
    char text[24];
    std::snprintf(text, sizeof(text), "0x%0*lx", digits, value);
    return text;
}

std::string LengthLine(const char* kind, const KindReport& report) {
    return std::string(kind) + " length=" + std::to_string(report.reportByteLength);
}

std::string CountLine(const char* kind, const KindReport& report) {
    return std::string(kind) + " button_caps=" + std::to_string(report.buttonCapsCount) +
           " value_caps=" + std::to_string(report.valueCapsCount);
}

std::string CollectionLine(const ParserReport& report) {
    return "collection usage_page=" + Hex(report.usagePage, 4) + " usage=" + Hex(report.usage, 4);
}

// usage_max is shown for single usages too: the table build reads it through the range view.
std::string CapsLine(const char* kind, const char* sort, const HidReportCaps& caps) {
    return std::string(kind) + " " + sort + " report_id=" + std::to_string(caps.reportId) +
           " usage_page=" + Hex(caps.usagePage, 4) + " is_range=" + (caps.isRange ? "1" : "0") +
           " usage_min=" + Hex(caps.usageMin, 4) + " usage_max=" + Hex(caps.usageMax, 4);
}

std::string EntryLine(const OutputDataEntry& e) {
    std::string line = std::string("entry ") + (e.isButton ? "button" : "value") +
                       " usage_page=" + Hex(e.usagePage, 4) +
                       " report_id=" + std::to_string(e.reportId) + " status=" + Hex(e.status, 8);
    if (e.isButton) {
        return line + " usage_min=" + Hex(e.usageMin, 4) + " usage_max=" + Hex(e.usageMax, 4) +
               " max_usage_count=" + std::to_string(e.maxUsageCount);
    }
    return line + " usage=" + Hex(e.usage, 4);
}

std::vector<HidReportCaps> CapsOf(const std::vector<HidCapability>& list) {
    std::vector<HidReportCaps> caps;
    for (const HidCapability& c : list) {
        caps.push_back(c.caps);
    }
    return caps;
}

}  // namespace

ParserReport ReportOfOurParser(const HidCollectionCaps& collection) {
    const HidCaps caps = collection.Caps();
    ParserReport report;
    report.usagePage = caps.usagePage;
    report.usage = caps.usage;
    for (std::size_t k = 0; k < HID_REPORT_KIND_COUNT; ++k) {
        const HidKindCaps& kind = collection.kinds[k];
        report.kinds[k] =
            KindReport{.reportByteLength = kind.reportByteLength,
                       .buttonCapsCount = static_cast<std::uint16_t>(kind.buttons.size()),
                       .valueCapsCount = static_cast<std::uint16_t>(kind.values.size()),
                       .buttons = CapsOf(kind.buttons),
                       .values = CapsOf(kind.values)};
    }
    OutputGroup group;
    report.tableBuilt = BuildOutputDataTable(caps, OutputCapsReaderFor(collection), group);
    report.outputTable = group.outTable;
    return report;
}

std::vector<std::string> LengthLines(const ParserReport& report) {
    std::vector<std::string> lines{CollectionLine(report)};
    for (std::size_t k = 0; k < HID_REPORT_KIND_COUNT; ++k) {
        lines.push_back(LengthLine(KIND_NAMES[k], report.kinds[k]));
    }
    return lines;
}

std::vector<std::string> ReportLines(const ParserReport& report) {
    std::vector<std::string> lines = LengthLines(report);
    for (std::size_t k = 0; k < HID_REPORT_KIND_COUNT; ++k) {
        lines.push_back(CountLine(KIND_NAMES[k], report.kinds[k]));
    }
    for (std::size_t k = 0; k < HID_REPORT_KIND_COUNT; ++k) {
        for (const HidReportCaps& caps : report.kinds[k].buttons) {
            lines.push_back(CapsLine(KIND_NAMES[k], "button", caps));
        }
        for (const HidReportCaps& caps : report.kinds[k].values) {
            lines.push_back(CapsLine(KIND_NAMES[k], "value", caps));
        }
    }
    lines.push_back(std::string("output_table built=") + (report.tableBuilt ? "1" : "0") +
                    " entries=" + std::to_string(report.outputTable.size()));
    for (const OutputDataEntry& entry : report.outputTable) {
        lines.push_back(EntryLine(entry));
    }
    return lines;
}

}  // namespace norvessa::test
