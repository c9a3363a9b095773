// libFuzzer target: any byte string through the descriptor parser, the output-data table build
// and the controller match test, checking what must hold for every input.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "controller/controller_match.h"
#include "hid/hid_descriptor.h"
#include "hid/output_table.h"
#include "protocol/frames.h"

namespace norvessa {
namespace {

void Require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

#define REQUIRE(condition) Require((condition), #condition)

std::uint64_t ExpandedValueCount(const std::vector<HidCapability>& values) {
    std::uint64_t count = 0;
    for (const HidCapability& value : values) {
        count += value.caps.isRange ? value.caps.usageMax - value.caps.usageMin + 1u : 1u;
    }
    return count;
}

// The table build refuses only a guard hit, a value range it cannot expand, or a table over
// its bound; a parse result must never make it fail for another reason.
bool BuildMayRefuse(const HidKindCaps& output) {
    if (output.values.empty()) {
        return false;
    }
    const HidReportCaps& first = output.values.front().caps;
    if (std::uint32_t{first.usageMin} == std::uint32_t{first.usageMax} + output.buttons.size()) {
        return true;
    }
    for (const HidCapability& value : output.values) {
        if (value.caps.isRange && value.caps.usageMax == 0xFFFF) {
            return true;
        }
    }
    return output.buttons.size() + ExpandedValueCount(output.values) > MAX_OUTPUT_TABLE_ENTRIES;
}

void CheckCapability(const HidCapability& capability) {
    const HidReportCaps& caps = capability.caps;
    REQUIRE(caps.isRange ? caps.usageMin <= caps.usageMax : caps.usageMax == 0);
}

void CheckKind(const HidKindCaps& kind) {
    // Capabilities come only from reports, so a kind without a report has none.
    if (kind.reportByteLength == 0) {
        REQUIRE(kind.buttons.empty() && kind.values.empty());
    }
    for (const HidCapability& button : kind.buttons) {
        CheckCapability(button);
    }
    for (const HidCapability& value : kind.values) {
        CheckCapability(value);
    }
}

void CheckTable(const HidCollectionCaps& collection) {
    const HidCaps caps = collection.Caps();
    const HidKindCaps& output = collection.Of(HidReportKind::Output);
    OutputGroup group;
    if (!BuildOutputDataTable(caps, OutputCapsReaderFor(collection), group)) {
        REQUIRE(BuildMayRefuse(output));
        return;
    }
    REQUIRE(group.outTable.size() == output.buttons.size() + ExpandedValueCount(output.values));
    REQUIRE(group.outBuffer.size() == caps.outputReportByteLength);
    for (std::size_t i = 0; i < group.outTable.size(); ++i) {
        REQUIRE(group.outTable[i].isButton == (i < output.buttons.size()));
        REQUIRE(group.outTable[i].status == OUTPUT_ENTRY_STATUS_SUCCESS);
    }
    const MatchResult match = MatchController(true, caps, group.outTable);
    if (match == MatchResult::Controller) {
        REQUIRE(group.outTable.front().reportId == CONTROLLER_REPORT_ID);
        REQUIRE(caps.outputReportByteLength <= MAX_REPORT_LENGTH);
        REQUIRE(caps.inputReportByteLength <= MAX_REPORT_LENGTH);
    }
    REQUIRE(group.outTable.empty() == (match == MatchResult::EmptyTable));
}

void Check(std::span<const std::uint8_t> bytes) {
    const HidParseResult result = ParseHidDescriptor(bytes);
    REQUIRE(!HidParseErrorText(result.error).empty());
    // Read and skipped collections together stay within the bound.
    REQUIRE(result.collections.size() + result.skipped.size() <= MAX_HID_TOP_LEVEL_COLLECTIONS);
    for (const HidSkippedCollection& skipped : result.skipped) {
        REQUIRE(skipped.reason.error != HidParseError::None);
        REQUIRE(skipped.reason.offset <= bytes.size());
        REQUIRE(skipped.usageKnown || (skipped.usagePage == 0 && skipped.usage == 0));
    }
    if (!result.ok()) {
        REQUIRE(result.collections.empty());
        REQUIRE(result.offset <= bytes.size());
        return;
    }
    REQUIRE(bytes.size() <= MAX_HID_DESCRIPTOR_LENGTH);
    REQUIRE(!result.collections.empty());
    std::size_t capabilities = 0;
    for (const HidCollectionCaps& collection : result.collections) {
        for (const HidKindCaps& kind : collection.kinds) {
            CheckKind(kind);
            capabilities += kind.buttons.size() + kind.values.size();
        }
        CheckTable(collection);
    }
    REQUIRE(capabilities <= MAX_HID_CAPABILITIES);
}

}  // namespace
}  // namespace norvessa

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    norvessa::Check(std::span<const std::uint8_t>(data, size));
    return 0;
}
