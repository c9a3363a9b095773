#pragma once
// What a HID parser reports for one top-level collection, in a form both parsers fill: the
// HidP_GetCaps lengths and counts, the button and value caps of every report kind in the order
// the parser lists them, and the output-data table built from them. Rendered as text lines so
// a mismatch shows side by side.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "hid/hid_descriptor.h"
#include "hid/output_table.h"

namespace norvessa::test {

struct KindReport {
    std::uint16_t reportByteLength = 0;
    // The counts HidP_GetCaps gives; the lists hold what HidP_GetButtonCaps and
    // HidP_GetValueCaps handed back for them.
    std::uint16_t buttonCapsCount = 0;
    std::uint16_t valueCapsCount = 0;
    std::vector<HidReportCaps> buttons;
    std::vector<HidReportCaps> values;
};

struct ParserReport {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::array<KindReport, HID_REPORT_KIND_COUNT> kinds;
    bool tableBuilt = false;
    std::vector<OutputDataEntry> outputTable;
};

ParserReport ReportOfOurParser(const HidCollectionCaps& collection);

std::vector<std::string> ReportLines(const ParserReport& report);
// The collection's usage and its report lengths alone.
std::vector<std::string> LengthLines(const ParserReport& report);

}  // namespace norvessa::test
