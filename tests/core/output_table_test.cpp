#include "hid/output_table.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "controller/controller_match.h"

namespace norvessa {
namespace {

HidReportCaps Single(std::uint16_t page, std::uint16_t usage, std::uint8_t reportId) {
    return HidReportCaps{.usagePage = page,
                         .reportId = reportId,
                         .isRange = false,
                         .usageMin = usage,
                         .usageMax = 0};
}

HidReportCaps Range(std::uint16_t page, std::uint16_t first, std::uint16_t last,
                    std::uint8_t reportId) {
    return HidReportCaps{.usagePage = page,
                         .reportId = reportId,
                         .isRange = true,
                         .usageMin = first,
                         .usageMax = last};
}

// A HID parser that hands out fixed capability lists.
struct FakeParser {
    std::vector<HidButtonCaps> buttons;
    std::vector<HidValueCaps> values;
    std::uint16_t outputLength = 0;
    bool buttonsFail = false;

    HidCaps Caps() const {
        HidCaps caps;
        caps.outputReportByteLength = outputLength;
        caps.numberOutputButtonCaps = static_cast<std::uint16_t>(buttons.size());
        caps.numberOutputValueCaps = static_cast<std::uint16_t>(values.size());
        return caps;
    }
    OutputCapsReader Reader() const {
        return OutputCapsReader{
            .readButtonCaps =
                [this](std::span<HidButtonCaps> out) {
                    std::copy(buttons.begin(), buttons.end(), out.begin());
                    return !buttonsFail;
                },
            .readValueCaps =
                [this](std::span<HidValueCaps> out) {
                    std::copy(values.begin(), values.end(), out.begin());
                    return true;
                },
            .maxUsageListLength = [](std::uint16_t page) { return page == 0x08u ? 5u : 3u; }};
    }
    bool Build(OutputGroup& group) const { return BuildOutputDataTable(Caps(), Reader(), group); }
};

TEST(OutputTable, InterfaceWithoutOutputReportGetsEmptyTable) {
    OutputGroup group;
    ASSERT_TRUE(FakeParser{}.Build(group));
    EXPECT_TRUE(group.outTable.empty());
    EXPECT_TRUE(group.outBuffer.empty());
    EXPECT_FALSE(IsController(true, HidCaps{}, group.outTable));
}

TEST(OutputTable, SingleValueGivesOneEntryWithItsReportId) {
    FakeParser parser{.values = {Single(0xFF00, 0x01, 0xAA)}, .outputLength = 64};
    OutputGroup group;
    ASSERT_TRUE(parser.Build(group));
    ASSERT_EQ(group.outTable.size(), 1u);
    const OutputDataEntry& entry = group.outTable[0];
    EXPECT_FALSE(entry.isButton);
    EXPECT_EQ(entry.reportId, 0xAAu);
    EXPECT_EQ(entry.usage, 0x01);
    EXPECT_EQ(entry.usagePage, 0xFF00);
    EXPECT_EQ(entry.status, OUTPUT_ENTRY_STATUS_SUCCESS);
    EXPECT_EQ(group.outBuffer.size(), 64u);
}

TEST(OutputTable, ValueRangeExpandsToOneEntryPerUsage) {
    FakeParser parser{.values = {Range(0x0C, 0x10, 0x13, 3)}};
    OutputGroup group;
    ASSERT_TRUE(parser.Build(group));
    ASSERT_EQ(group.outTable.size(), 4u);
    for (std::uint16_t i = 0; i < 4; ++i) {
        EXPECT_EQ(group.outTable[i].usage, 0x10 + i);
        EXPECT_EQ(group.outTable[i].usagePage, 0x0C);
        EXPECT_EQ(group.outTable[i].reportId, 3u);
    }
}

TEST(OutputTable, ButtonsFirstThenValuesAndButtonRangesStayWhole) {
    FakeParser parser{.buttons = {Range(0x08, 1, 5, 0), Single(0x09, 7, 2)},
                      .values = {Single(0xFF00, 0x20, 0xAA), Range(0xFF00, 0x30, 0x31, 0xAA)}};
    OutputGroup group;
    ASSERT_TRUE(parser.Build(group));
    ASSERT_EQ(group.outTable.size(), 5u);
    EXPECT_TRUE(group.outTable[0].isButton);
    EXPECT_EQ(group.outTable[0].usageMin, 1u);
    EXPECT_EQ(group.outTable[0].usageMax, 5u);
    EXPECT_EQ(group.outTable[0].maxUsageCount, 5u);
    EXPECT_EQ(group.outTable[1].usageMin, 7u);
    EXPECT_EQ(group.outTable[1].usageMax, 7u);
    EXPECT_EQ(group.outTable[1].maxUsageCount, 3u);
    EXPECT_EQ(group.outTable[1].reportId, 2u);
    EXPECT_EQ(group.outTable[2].usage, 0x20);
    EXPECT_EQ(group.outTable[3].usage, 0x30);
    EXPECT_EQ(group.outTable[4].usage, 0x31);
    // A button first: not the controller even though its values carry 0xAA.
    EXPECT_EQ(MatchController(true, parser.Caps(), group.outTable), MatchResult::OtherReportId);
}

struct RefusedCase {
    const char* name;
    FakeParser parser;
};

class OutputTableRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(OutputTableRefused, BuildFails) {
    OutputGroup group;
    EXPECT_FALSE(GetParam().parser.Build(group));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputTableRefused,
    ::testing::Values(
        // The guard on the first value capability: 7 == 5 + 2.
        RefusedCase{
            "FirstValueGuard",
            {.buttons = {Single(9, 1, 0), Single(9, 2, 0)}, .values = {Range(0xFF00, 7, 5, 0xAA)}}},
        RefusedCase{"ReversedValueRange", {.values = {Range(0xFF00, 9, 3, 0xAA)}}},
        RefusedCase{"ValueRangeToLastUsage", {.values = {Range(0xFF00, 0xFFF0, 0xFFFF, 1)}}},
        RefusedCase{"ButtonCapsReadFails", {.buttons = {Single(9, 1, 0)}, .buttonsFail = true}},
        RefusedCase{"TableTooLarge", {.values = {Range(1, 0, 0xFFFE, 1), Range(1, 0, 0xFFFE, 1)}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(OutputTable, FirstValueGuardReadsTheUsageOfANonRange) {
    // A non-range's usage sits where UsageMin is read and the reserved word reads 0, so a
    // usage equal to the button count trips the guard as it does on the platform.
    FakeParser trips{.buttons = {Single(9, 1, 0), Single(9, 2, 0)},
                     .values = {Single(0xFF00, 2, 0xAA)}};
    FakeParser passes{.buttons = {Single(9, 1, 0), Single(9, 2, 0)},
                      .values = {Single(0xFF00, 3, 0xAA)}};
    OutputGroup group;
    EXPECT_FALSE(trips.Build(group));
    OutputGroup other;
    EXPECT_TRUE(passes.Build(other));
}

TEST(OutputTable, ButtonsWithoutValuesSkipTheGuard) {
    FakeParser parser{.buttons = {Single(9, 0, 0xAA), Single(9, 2, 0)}};
    OutputGroup group;
    ASSERT_TRUE(parser.Build(group));
    EXPECT_EQ(group.outTable.size(), 2u);
}

struct MatchCase {
    const char* name;
    bool hasPath;
    std::uint16_t outputLength;
    std::uint16_t inputLength;
    std::vector<std::uint32_t> reportIds;
    MatchResult result;
};

class Match : public ::testing::TestWithParam<MatchCase> {};

TEST_P(Match, Classifies) {
    const MatchCase& c = GetParam();
    HidCaps caps;
    caps.outputReportByteLength = c.outputLength;
    caps.inputReportByteLength = c.inputLength;
    std::vector<OutputDataEntry> table;
    for (std::uint32_t id : c.reportIds)
        table.push_back(OutputDataEntry{.reportId = id});
    EXPECT_EQ(MatchController(c.hasPath, caps, table), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Match,
    ::testing::Values(
        MatchCase{"Controller", true, 64, 64, {0xAA}, MatchResult::Controller},
        MatchCase{"ShortReports", true, 9, 9, {0xAA, 1}, MatchResult::Controller},
        MatchCase{"NoPath", false, 64, 64, {0xAA}, MatchResult::NoPath},
        MatchCase{"EmptyTable", true, 64, 64, {}, MatchResult::EmptyTable},
        MatchCase{"OnlyFirstCounts", true, 64, 64, {1, 0xAA}, MatchResult::OtherReportId},
        MatchCase{"OutputTooLong", true, 65, 64, {0xAA}, MatchResult::OutputReportTooLong},
        MatchCase{"InputTooLong", true, 64, 65, {0xAA}, MatchResult::InputReportTooLong}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace norvessa
