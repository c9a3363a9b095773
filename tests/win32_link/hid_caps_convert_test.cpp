#include "controller/win32/hid_caps_convert.h"

#include <gtest/gtest.h>

#include <vector>

namespace norvessa {
namespace {

struct ReportCapsCase {
    const char* name;
    bool isRange;
    USHORT first;   // Range.UsageMin, which NotRange.Usage shares
    USHORT second;  // Range.UsageMax, which NotRange.Reserved1 shares
    HidReportCaps expected;
};

HIDP_BUTTON_CAPS ButtonCaps(const ReportCapsCase& c) {
    HIDP_BUTTON_CAPS caps{};
    caps.UsagePage = 0xFF00;
    caps.ReportID = 0xAA;
    caps.IsRange = c.isRange ? TRUE : FALSE;
    if (c.isRange) {
        caps.Range.UsageMin = c.first;
        caps.Range.UsageMax = c.second;
    } else {
        caps.NotRange.Usage = c.first;
        caps.NotRange.Reserved1 = c.second;
    }
    return caps;
}

HIDP_VALUE_CAPS ValueCaps(const ReportCapsCase& c) {
    HIDP_VALUE_CAPS caps{};
    caps.UsagePage = 0xFF00;
    caps.ReportID = 0xAA;
    caps.IsRange = c.isRange ? TRUE : FALSE;
    caps.BitSize = 8;
    caps.ReportCount = 63;
    if (c.isRange) {
        caps.Range.UsageMin = c.first;
        caps.Range.UsageMax = c.second;
    } else {
        caps.NotRange.Usage = c.first;
        caps.NotRange.Reserved1 = c.second;
    }
    return caps;
}

class ReportCapsConversion : public ::testing::TestWithParam<ReportCapsCase> {};

TEST_P(ReportCapsConversion, KeepsTheStorageOverlapOfSingleUsages) {
    EXPECT_EQ(ToPortableReportCaps(ButtonCaps(GetParam())), GetParam().expected);
    EXPECT_EQ(ToPortableReportCaps(ValueCaps(GetParam())), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Caps, ReportCapsConversion,
    ::testing::Values(ReportCapsCase{"Range", true, 0x10, 0x13, {0xFF00, 0xAA, true, 0x10, 0x13}},
                      ReportCapsCase{"SingleUsage", false, 0x30, 0, {0xFF00, 0xAA, false, 0x30, 0}},
                      // A reserved word that is not 0 is still what the range view shows.
                      ReportCapsCase{
                          "SingleUsageReservedSet", false, 7, 5, {0xFF00, 0xAA, false, 7, 5}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CapsConversion, CarriesEveryLengthAndOutputCountToItsOwnField) {
    HIDP_CAPS caps{};
    caps.Usage = 0x01;
    caps.UsagePage = 0xFF00;
    caps.InputReportByteLength = 11;
    caps.OutputReportByteLength = 22;
    caps.FeatureReportByteLength = 33;
    caps.NumberInputButtonCaps = 44;
    caps.NumberOutputButtonCaps = 2;
    caps.NumberOutputValueCaps = 3;
    caps.NumberFeatureValueCaps = 55;
    const HidCaps portable = ToPortableCaps(caps);
    EXPECT_EQ(portable.usage, 0x01);
    EXPECT_EQ(portable.usagePage, 0xFF00);
    EXPECT_EQ(portable.inputReportByteLength, 11);
    EXPECT_EQ(portable.outputReportByteLength, 22);
    EXPECT_EQ(portable.featureReportByteLength, 33);
    EXPECT_EQ(portable.numberOutputButtonCaps, 2);
    EXPECT_EQ(portable.numberOutputValueCaps, 3);
}

// The table built from converted parser records, as the open builds it.
struct BuiltTable {
    bool built = false;
    OutputGroup group;
};

BuiltTable BuildFromParserCaps(const std::vector<HIDP_BUTTON_CAPS>& buttons,
                               const std::vector<HIDP_VALUE_CAPS>& values) {
    HidCaps caps;
    caps.outputReportByteLength = 64;
    caps.numberOutputButtonCaps = static_cast<std::uint16_t>(buttons.size());
    caps.numberOutputValueCaps = static_cast<std::uint16_t>(values.size());
    OutputCapsReader reader{.readButtonCaps =
                                [&](std::span<HidButtonCaps> out) {
                                    for (std::size_t i = 0; i < out.size(); ++i)
                                        out[i] = ToPortableReportCaps(buttons[i]);
                                    return true;
                                },
                            .readValueCaps =
                                [&](std::span<HidValueCaps> out) {
                                    for (std::size_t i = 0; i < out.size(); ++i)
                                        out[i] = ToPortableReportCaps(values[i]);
                                    return true;
                                },
                            .maxUsageListLength = [](std::uint16_t) { return 8u; }};
    BuiltTable result;
    result.built = BuildOutputDataTable(caps, reader, result.group);
    return result;
}

TEST(CapsConversionIntoTable, SingleUsageButtonBecomesAOneUsageEntry) {
    const BuiltTable table = BuildFromParserCaps({ButtonCaps({"", false, 0x30, 0, {}})},
                                                 {ValueCaps({"", false, 0x31, 0, {}})});
    ASSERT_TRUE(table.built);
    ASSERT_EQ(table.group.outTable.size(), 2u);
    EXPECT_EQ(table.group.outTable[0].usageMin, 0x30u);
    EXPECT_EQ(table.group.outTable[0].usageMax, 0x30u);
    EXPECT_EQ(table.group.outTable[0].reportId, 0xAAu);
    EXPECT_EQ(table.group.outTable[1].usage, 0x31);
}

TEST(CapsConversionIntoTable, FirstValueGuardReadsTheRangeViewOfASingleUsage) {
    // Two buttons; the first value is a single usage 7 with 5 in its reserved word: through
    // the range view 7 == 5 + 2, which the build refuses, as it would on Windows.
    const std::vector<HIDP_BUTTON_CAPS> buttons{ButtonCaps({"", true, 1, 8, {}}),
                                                ButtonCaps({"", true, 9, 16, {}})};
    EXPECT_FALSE(BuildFromParserCaps(buttons, {ValueCaps({"", false, 7, 5, {}})}).built);
    EXPECT_TRUE(BuildFromParserCaps(buttons, {ValueCaps({"", false, 7, 0, {}})}).built);
}

}  // namespace
}  // namespace norvessa
