#include "hid/hid_descriptor.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "controller/controller_match.h"
#include "hid/output_table.h"

namespace norvessa {
namespace {

using Bytes = std::vector<std::uint8_t>;

// "05 01 09 06" -> {0x05, 0x01, 0x09, 0x06}
Bytes Hex(std::string_view text) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        bytes.push_back(
            static_cast<std::uint8_t>(std::stoul(std::string(text.substr(i, 2)), nullptr, 16)));
        i += 2;
    }
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// ---- Descriptors written out from the HID usage tables -------------------------------------

// The boot keyboard: modifier bits, a reserved byte, six key slots; 5 LEDs + 3 bits padding out.
const Bytes BOOT_KEYBOARD =
    Hex("05 01 09 06 A1 01"  // Generic Desktop, Keyboard, Collection (Application)
        "05 07 19 E0 29 E7 15 00 25 01 75 01 95 08 81 02"  // modifiers: 8 x 1 bit, Variable
        "95 01 75 08 81 01"                                // reserved byte, Constant
        "95 05 75 01 05 08 19 01 29 05 91 02"              // LEDs 1..5, Output Variable
        "95 01 75 03 91 01"                                // LED padding, Constant
        "95 06 75 08 15 00 25 65 05 07 19 00 29 65 81 00"  // 6 key codes, Array
        "C0");

// A wheel mouse: three buttons, five bits padding, X, Y and wheel; no output report.
const Bytes WHEEL_MOUSE =
    Hex("05 01 09 02 A1 01 09 01 A1 00"  // Mouse, Collection (Application), Pointer (Physical)
        "05 09 19 01 29 03 15 00 25 01 95 03 75 01 81 02"        // buttons 1..3
        "95 01 75 05 81 01"                                      // padding
        "05 01 09 30 09 31 09 38 15 81 25 7F 75 08 95 03 81 06"  // X, Y, Wheel, Relative
        "C0 C0");

// A touch screen with one contact in input report 1, Contact Count Maximum in feature report 2
// and a 256-byte vendor feature blob in report 0x44.
const Bytes TOUCH_SCREEN =
    Hex("05 0D 09 04 A1 01 85 01"              // Digitizer, Touch Screen, Report ID 1
        "09 22 A1 02"                          // Finger, Collection (Logical)
        "09 42 15 00 25 01 75 01 95 01 81 02"  // Tip Switch
        "95 07 81 03"                          // padding
        "75 08 09 51 95 01 81 02"              // Contact Identifier
        "05 01 26 FF 0F 75 10 55 0E 65 11 09 30 35 00 46 B5 04 81 02"  // X, 16 bits, in cm
        "46 8A 03 09 31 81 02"                                         // Y
        "C0"
        "05 0D 09 54 25 7F 95 01 75 08 81 02"  // Contact Count
        "85 02 09 55 25 0A B1 02"              // Contact Count Maximum, Feature
        "85 44 06 00 FF 09 C5 15 00 26 FF 00 75 08 96 00 01 B1 02"  // 256-byte Feature
        "C0");

// The touch controller's vendor collection: report 0xAA, 63 data bytes each way.
const Bytes VENDOR_CONTROLLER =
    Hex("06 00 FF 09 01 A1 01 85 AA"              // Vendor page 0xFF00, Usage 1, Report ID 0xAA
        "09 02 15 00 26 FF 00 75 08 95 3F 91 02"  // Output: 63 bytes
        "09 03 95 3F 81 02"                       // Input: 63 bytes
        "C0");

// Vendor reports 1 (7 bytes) and 2 (31 bytes) and three LED bits in report 3.
const Bytes SEVERAL_REPORT_IDS =
    Hex("06 00 FF 09 01 A1 01"
        "85 01 09 10 75 08 95 07 91 02"
        "85 02 09 20 95 1F 91 02"
        "85 03 05 08 19 01 29 03 75 01 95 03 91 02 95 05 91 03"
        "C0");

// A keyboard collection with a long input report beside the controller's collection: two
// interfaces on Windows, each with its own report lengths.
const Bytes KEYBOARD_AND_CONTROLLER = Concat(
    {Hex("05 01 09 06 A1 01 85 01 05 07 19 00 29 65 75 08 95 64 81 00 C0"), VENDOR_CONTROLLER});

// ---- Capability records in the order the platform lists them --------------------------------

enum class Sort { Button, Value };

struct CapsLine {
    HidReportKind kind;
    Sort sort;
    HidReportCaps caps;
    friend bool operator==(const CapsLine&, const CapsLine&) = default;
};

void PrintTo(const CapsLine& line, std::ostream* os) {
    static const char* const KINDS[] = {"In", "Out", "Feature"};
    *os << KINDS[static_cast<int>(line.kind)] << (line.sort == Sort::Button ? " button" : " value")
        << " id=" << int{line.caps.reportId} << " page=0x" << std::hex << line.caps.usagePage
        << (line.caps.isRange ? " range=0x" : " usage=0x") << line.caps.usageMin;
    if (line.caps.isRange)
        *os << "..0x" << line.caps.usageMax;
    *os << std::dec;
}

constexpr HidReportKind In = HidReportKind::Input;
constexpr HidReportKind Out = HidReportKind::Output;
constexpr HidReportKind Feat = HidReportKind::Feature;

CapsLine Button(HidReportKind kind, std::uint16_t page, std::uint16_t usage, std::uint8_t id) {
    return {kind, Sort::Button, {.usagePage = page, .reportId = id, .usageMin = usage}};
}
CapsLine Buttons(HidReportKind kind, std::uint16_t page, std::uint16_t min, std::uint16_t max,
                 std::uint8_t id) {
    return {kind,
            Sort::Button,
            {.usagePage = page, .reportId = id, .isRange = true, .usageMin = min, .usageMax = max}};
}
CapsLine Value(HidReportKind kind, std::uint16_t page, std::uint16_t usage, std::uint8_t id) {
    return {kind, Sort::Value, {.usagePage = page, .reportId = id, .usageMin = usage}};
}

// Every capability of a collection: input, output, feature; buttons before values.
std::vector<CapsLine> Flatten(const HidCollectionCaps& collection) {
    std::vector<CapsLine> lines;
    for (HidReportKind kind : {In, Out, Feat}) {
        for (const HidCapability& c : collection.Of(kind).buttons)
            lines.push_back({kind, Sort::Button, c.caps});
        for (const HidCapability& c : collection.Of(kind).values)
            lines.push_back({kind, Sort::Value, c.caps});
    }
    return lines;
}

// What the platform's HID parser reports for one top-level collection, and what the match
// test then makes of it. A recording of the platform parser (HidP_GetCaps, then
// HidP_GetButtonCaps and HidP_GetValueCaps for each report kind) becomes one more
// DescriptorCase below: the descriptor bytes, and the caps in the order the platform listed them.
struct ExpectedCollection {
    std::uint16_t usagePage;
    std::uint16_t usage;
    std::uint16_t inputLength;
    std::uint16_t outputLength;
    std::uint16_t featureLength;
    std::vector<CapsLine> caps;
    MatchResult match;
};

struct DescriptorCase {
    const char* name;
    Bytes descriptor;
    std::vector<ExpectedCollection> collections;
};

void ExpectCollection(const HidCollectionCaps& actual, const ExpectedCollection& expected) {
    const HidCaps caps = actual.Caps();
    EXPECT_EQ(std::tie(caps.usagePage, caps.usage), std::tie(expected.usagePage, expected.usage));
    EXPECT_EQ(caps.inputReportByteLength, expected.inputLength);
    EXPECT_EQ(caps.outputReportByteLength, expected.outputLength);
    EXPECT_EQ(caps.featureReportByteLength, expected.featureLength);
    EXPECT_EQ(Flatten(actual), expected.caps);

    OutputGroup group;
    ASSERT_TRUE(BuildOutputDataTable(caps, OutputCapsReaderFor(actual), group));
    EXPECT_EQ(group.outBuffer.size(), expected.outputLength);
    EXPECT_EQ(MatchController(true, caps, group.outTable), expected.match);
}

class HidDescriptorCaps : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(HidDescriptorCaps, MatchesThePlatformParser) {
    const DescriptorCase& c = GetParam();
    const HidParseResult result = ParseHidDescriptor(c.descriptor);
    ASSERT_TRUE(result.ok()) << DescribeHidParseResult(result);
    ASSERT_EQ(result.collections.size(), c.collections.size());
    for (std::size_t i = 0; i < c.collections.size(); ++i) {
        SCOPED_TRACE("collection " + std::to_string(i));
        ExpectCollection(result.collections[i], c.collections[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, HidDescriptorCaps,
    ::testing::Values(
        DescriptorCase{"BootKeyboard",
                       BOOT_KEYBOARD,
                       {{0x01,
                         0x06,
                         9,
                         2,
                         0,
                         {Buttons(In, 0x07, 0xE0, 0xE7, 0), Buttons(In, 0x07, 0x00, 0x65, 0),
                          Buttons(Out, 0x08, 1, 5, 0)},
                         MatchResult::OtherReportId}}},
        // Within one item the platform lists the last usage first.
        DescriptorCase{"WheelMouse",
                       WHEEL_MOUSE,
                       {{0x01,
                         0x02,
                         5,
                         0,
                         0,
                         {Buttons(In, 0x09, 1, 3, 0), Value(In, 0x01, 0x38, 0),
                          Value(In, 0x01, 0x31, 0), Value(In, 0x01, 0x30, 0)},
                         MatchResult::EmptyTable}}},
        DescriptorCase{
            "TouchScreenWithFeatures",
            TOUCH_SCREEN,
            {{0x0D,
              0x04,
              8,
              0,
              257,
              {Button(In, 0x0D, 0x42, 1), Value(In, 0x0D, 0x51, 1), Value(In, 0x01, 0x30, 1),
               Value(In, 0x01, 0x31, 1), Value(In, 0x0D, 0x54, 1), Value(Feat, 0x0D, 0x55, 2),
               Value(Feat, 0xFF00, 0xC5, 0x44)},
              MatchResult::EmptyTable}}},
        DescriptorCase{"VendorController",
                       VENDOR_CONTROLLER,
                       {{0xFF00,
                         0x01,
                         64,
                         64,
                         0,
                         {Value(In, 0xFF00, 0x03, 0xAA), Value(Out, 0xFF00, 0x02, 0xAA)},
                         MatchResult::Controller}}},
        // Buttons come first in the table, so report 3 decides.
        DescriptorCase{"SeveralReportIds",
                       SEVERAL_REPORT_IDS,
                       {{0xFF00,
                         0x01,
                         0,
                         32,
                         0,
                         {Buttons(Out, 0x08, 1, 3, 3), Value(Out, 0xFF00, 0x10, 1),
                          Value(Out, 0xFF00, 0x20, 2)},
                         MatchResult::OtherReportId}}},
        // Merged into one, the keyboard's 101-byte input would make the controller too long.
        DescriptorCase{
            "KeyboardBesideController",
            KEYBOARD_AND_CONTROLLER,
            {{0x01, 0x06, 101, 0, 0, {Buttons(In, 0x07, 0, 0x65, 1)}, MatchResult::EmptyTable},
             {0xFF00,
              0x01,
              64,
              64,
              0,
              {Value(In, 0xFF00, 0x03, 0xAA), Value(Out, 0xFF00, 0x02, 0xAA)},
              MatchResult::Controller}}},
        DescriptorCase{"ControllerWithoutReportId",
                       Hex("06 00 FF 09 01 A1 01 09 02 75 08 95 3F 91 02 09 03 81 02 C0"),
                       {{0xFF00,
                         0x01,
                         64,
                         64,
                         0,
                         {Value(In, 0xFF00, 0x03, 0), Value(Out, 0xFF00, 0x02, 0)},
                         MatchResult::OtherReportId}}},
        DescriptorCase{"ControllerOutputTooLong",
                       Hex("06 00 FF 09 01 A1 01 85 AA 09 02 75 08 95 40 91 02 C0"),
                       {{0xFF00,
                         0x01,
                         0,
                         65,
                         0,
                         {Value(Out, 0xFF00, 0x02, 0xAA)},
                         MatchResult::OutputReportTooLong}}},
        DescriptorCase{
            "ControllerInputTooLong",
            Hex("06 00 FF 09 01 A1 01 85 AA 09 02 75 08 95 3F 91 02 09 03 95 40 81 02 C0"),
            {{0xFF00,
              0x01,
              65,
              64,
              0,
              {Value(In, 0xFF00, 0x03, 0xAA), Value(Out, 0xFF00, 0x02, 0xAA)},
              MatchResult::InputReportTooLong}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(HidDescriptor, ButtonTableEntriesCountTheButtonsOfTheirPage) {
    const HidParseResult result = ParseHidDescriptor(SEVERAL_REPORT_IDS);
    ASSERT_TRUE(result.ok());
    const HidCollectionCaps& collection = result.collections.front();
    OutputGroup group;
    ASSERT_TRUE(BuildOutputDataTable(collection.Caps(), OutputCapsReaderFor(collection), group));
    ASSERT_EQ(group.outTable.size(), 3u);
    EXPECT_EQ(group.outTable[0].maxUsageCount, 3u);  // three LED fields; the padding is no LED
    EXPECT_EQ(group.outTable[0].usageMin, 1u);
    EXPECT_EQ(group.outTable[0].usageMax, 3u);
    const OutputCapsReader reader = OutputCapsReaderFor(collection);
    EXPECT_EQ(reader.maxUsageListLength(0), 3u);
    EXPECT_EQ(reader.maxUsageListLength(0xFF00), 0u);
}

// Every usage of an array item counts all its fields, as the platform parser counts them: three
// usages in two fields make a list of six, beside the three LEDs of a variable item.
TEST(HidDescriptor, EveryUsageOfAnArrayCountsAllItsFields) {
    const HidParseResult result =
        ParseHidDescriptor(Hex("06 00 FF 09 01 A1 01"
                               "09 10 09 11 09 12 75 08 95 02 91 00"  // array: 2 fields
                               "05 08 19 01 29 03 75 01 95 03 91 02"  // LEDs 1..3
                               "C0"));
    ASSERT_TRUE(result.ok()) << DescribeHidParseResult(result);
    const HidCollectionCaps& collection = result.collections.front();
    const OutputCapsReader reader = OutputCapsReaderFor(collection);
    EXPECT_EQ(reader.maxUsageListLength(0xFF00), 6u);
    EXPECT_EQ(reader.maxUsageListLength(0x08), 3u);
    EXPECT_EQ(reader.maxUsageListLength(0), 9u);
    OutputGroup group;
    ASSERT_TRUE(BuildOutputDataTable(collection.Caps(), reader, group));
    ASSERT_EQ(group.outTable.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(group.outTable[i].maxUsageCount, 6u) << "entry " << i;
    }
    EXPECT_EQ(group.outTable[3].maxUsageCount, 3u);
}

// ---- How the fields of one output item become capabilities ----------------------------------

struct FieldCase {
    const char* name;
    const char* body;  // items inside a vendor collection
    std::uint16_t outputLength;
    std::vector<CapsLine> caps;
};

class HidDescriptorFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(HidDescriptorFields, GiveTheseCapabilities) {
    const FieldCase& c = GetParam();
    const Bytes descriptor = Concat({Hex("06 00 FF 09 01 A1 01"), Hex(c.body), Hex("C0")});
    const HidParseResult result = ParseHidDescriptor(descriptor);
    ASSERT_TRUE(result.ok()) << DescribeHidParseResult(result);
    ASSERT_EQ(result.collections.size(), 1u);
    EXPECT_EQ(result.collections[0].Caps().outputReportByteLength, c.outputLength);
    EXPECT_EQ(Flatten(result.collections[0]), c.caps);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, HidDescriptorFields,
    ::testing::Values(
        // The last usage covers the fields beyond the usages given.
        FieldCase{"CountAboveUsages",
                  "09 10 09 11 75 08 95 04 91 02",
                  5,
                  {Value(Out, 0xFF00, 0x11, 0), Value(Out, 0xFF00, 0x10, 0)}},
        FieldCase{"CountBelowUsagesDropsTheRest",
                  "09 10 09 11 09 12 75 08 95 02 91 02",
                  3,
                  {Value(Out, 0xFF00, 0x11, 0), Value(Out, 0xFF00, 0x10, 0)}},
        FieldCase{"RangeThenUsage",
                  "19 01 29 03 09 10 75 01 95 05 91 02",
                  2,
                  {Button(Out, 0xFF00, 0x10, 0), Buttons(Out, 0xFF00, 1, 3, 0)}},
        FieldCase{"MaximumBeforeMinimum",
                  "29 03 19 01 75 01 95 03 91 02",
                  2,
                  {Buttons(Out, 0xFF00, 1, 3, 0)}},
        FieldCase{"ArrayKeepsEveryUsage",
                  "09 10 09 11 09 12 75 08 95 01 91 00",
                  2,
                  {Button(Out, 0xFF00, 0x12, 0), Button(Out, 0xFF00, 0x11, 0),
                   Button(Out, 0xFF00, 0x10, 0)}},
        FieldCase{"OneBitIsButtonWhateverItsRange",
                  "09 10 15 FF 25 00 75 01 95 01 91 02",
                  2,
                  {Button(Out, 0xFF00, 0x10, 0)}},
        FieldCase{"TwoBitsAreValue",
                  "09 11 15 00 25 01 75 02 95 01 91 02",
                  2,
                  {Value(Out, 0xFF00, 0x11, 0)}},
        FieldCase{"PaddingWithoutUsage", "75 08 95 01 91 03", 2, {}},
        FieldCase{"DataWithoutUsage", "75 08 95 01 91 02", 2, {}},
        FieldCase{"UsageZeroIsPadding",
                  "09 00 09 05 75 08 95 02 91 02",
                  3,
                  {Value(Out, 0xFF00, 0x05, 0)}},
        FieldCase{"ConstantWithUsage", "09 11 75 08 95 01 91 03", 2, {Value(Out, 0xFF00, 0x11, 0)}},
        FieldCase{"ZeroCount", "09 11 75 08 95 00 91 02", 1, {}},
        FieldCase{"ZeroSize", "09 10 75 00 95 04 91 02", 1, {Value(Out, 0xFF00, 0x10, 0)}},
        FieldCase{"ExtendedUsageCarriesPage",
                  "0B 30 00 01 00 75 08 95 01 91 02",
                  2,
                  {Value(Out, 0x01, 0x30, 0)}},
        FieldCase{"ExtendedRange",
                  "1B 01 00 09 00 2B 08 00 09 00 75 01 95 08 91 02",
                  2,
                  {Buttons(Out, 0x09, 1, 8, 0)}},
        FieldCase{"UsageKeepsThePageOfItsDeclaration",
                  "05 01 09 30 05 02 75 08 95 01 91 02",
                  2,
                  {Value(Out, 0x01, 0x30, 0)}},
        FieldCase{"AliasesShareTheirFields",
                  "A9 01 09 10 09 11 A9 00 09 12 75 08 95 02 91 02",
                  3,
                  {Value(Out, 0xFF00, 0x12, 0), Value(Out, 0xFF00, 0x10, 0),
                   Value(Out, 0xFF00, 0x11, 0)}},
        FieldCase{"PopRestoresReportIdAndSize",
                  "85 01 75 08 95 02 A4 85 02 75 10 95 04 09 10 91 02 B4 09 11 91 02",
                  9,
                  {Value(Out, 0xFF00, 0x10, 2), Value(Out, 0xFF00, 0x11, 1)}},
        FieldCase{"LongItemAndUnknownLocalSkipped",
                  "FE 02 10 AA BB B9 01 09 10 75 08 95 01 91 02",
                  2,
                  {Value(Out, 0xFF00, 0x10, 0)}},
        FieldCase{
            "LargestReport", "09 10 75 08 96 FE FF 91 02", 0xFFFF, {Value(Out, 0xFF00, 0x10, 0)}}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- Refusals ------------------------------------------------------------------------------

struct RefusalCase {
    const char* name;
    Bytes descriptor;
    HidParseError error;
    std::size_t offset;
};

class HidDescriptorRefused : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(HidDescriptorRefused, WithReasonAndOffset) {
    const RefusalCase& c = GetParam();
    const HidParseResult result = ParseHidDescriptor(c.descriptor);
    EXPECT_EQ(result.error, c.error) << DescribeHidParseResult(result);
    EXPECT_EQ(result.offset, c.offset);
    EXPECT_TRUE(result.collections.empty());
}

Bytes Repeat(std::string_view hex, std::size_t times) {
    const Bytes one = Hex(hex);
    Bytes all;
    for (std::size_t i = 0; i < times; ++i)
        all.insert(all.end(), one.begin(), one.end());
    return all;
}

// A vendor collection around the given items.
Bytes InVendor(const Bytes& body) {
    return Concat({Hex("06 00 FF 09 01 A1 01"), body, Hex("C0")});
}

// n array items' worth of usages, 256 to an item.
Bytes ManyCapabilities(std::size_t n) {
    Bytes body;
    for (std::size_t left = n; left > 0;) {
        const std::size_t here = std::min<std::size_t>(left, MAX_HID_USAGES_PER_ITEM);
        body = Concat({body, Repeat("09 01", here), Hex("75 08 95 01 91 00")});
        left -= here;
    }
    return InVendor(body);
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, HidDescriptorRefused,
    ::testing::Values(
        RefusalCase{"Empty", {}, HidParseError::NoCollection, 0},
        RefusalCase{"ItemPastTheEnd", Hex("05 01 09 06 A1 01 06 00"), HidParseError::TruncatedItem,
                    6},
        RefusalCase{"LongItemHeaderCut", Hex("A1 01 FE 05"), HidParseError::TruncatedItem, 2},
        RefusalCase{"LongItemDataCut", Hex("A1 01 FE 05 00 01 02"), HidParseError::TruncatedItem,
                    2},
        RefusalCase{"ReportIdZero", InVendor(Hex("85 00")), HidParseError::InvalidReportId, 7},
        RefusalCase{"ReportIdTwoBytes", InVendor(Hex("86 00 01")), HidParseError::InvalidReportId,
                    7},
        RefusalCase{"ReservedShortItem", InVendor(Hex("0C")), HidParseError::ReservedItem, 7},
        RefusalCase{"UnknownMainItem", InVendor(Hex("D1 00")), HidParseError::UnknownMainItem, 7},
        RefusalCase{"UnknownGlobalItem", InVendor(Hex("C5 01")), HidParseError::UnknownGlobalItem,
                    7},
        RefusalCase{"WideUsagePage", InVendor(Hex("07 00 00 01 00")),
                    HidParseError::UsagePageTooLarge, 7},
        RefusalCase{"PopWithoutPush", InVendor(Hex("B4")), HidParseError::PopWithoutPush, 7},
        RefusalCase{"PushTooDeep", InVendor(Repeat("A4", MAX_HID_GLOBAL_STACK_DEPTH + 1)),
                    HidParseError::GlobalStackOverflow, 7 + MAX_HID_GLOBAL_STACK_DEPTH},
        RefusalCase{"LoneUsageMinimum", InVendor(Hex("19 05 75 08 95 01 91 02")),
                    HidParseError::UnpairedUsageRange, 13},
        RefusalCase{"ReversedRange", InVendor(Hex("19 05 29 01")),
                    HidParseError::ReversedUsageRange, 9},
        RefusalCase{"RangeAcrossPages", InVendor(Hex("1B 01 00 01 00 2B 05 00 02 00")),
                    HidParseError::UsageRangeAcrossPages, 12},
        RefusalCase{"DelimiterLeftOpen", InVendor(Hex("A9 01 09 10 91 02")),
                    HidParseError::MisplacedDelimiter, 11},
        RefusalCase{"DelimiterNeverOpened", InVendor(Hex("A9 00")),
                    HidParseError::MisplacedDelimiter, 7},
        RefusalCase{"OutputOutsideCollection", Hex("09 01 75 08 95 01 91 02"),
                    HidParseError::MainItemOutsideCollection, 6},
        RefusalCase{"EndWithoutCollection", Hex("A1 01 C0 C0"), HidParseError::EndWithoutCollection,
                    3},
        // Items that belong to no collection refuse every collection, read or not.
        RefusalCase{"ReportItemBetweenCollections",
                    Concat({VENDOR_CONTROLLER, Hex("75 08 95 01 91 02"), VENDOR_CONTROLLER}),
                    HidParseError::MainItemOutsideCollection, VENDOR_CONTROLLER.size() + 4},
        RefusalCase{"ReservedItemBetweenCollections", Concat({VENDOR_CONTROLLER, Hex("0C")}),
                    HidParseError::ReservedItem, VENDOR_CONTROLLER.size()},
        RefusalCase{"CollectionLeftOpen", Hex("A1 01 A1 02 C0"), HidParseError::UnclosedCollection,
                    5},
        RefusalCase{"CollectionsTooDeep", Repeat("A1 02", MAX_HID_COLLECTION_DEPTH + 1),
                    HidParseError::CollectionTooDeep, 2 * MAX_HID_COLLECTION_DEPTH},
        RefusalCase{"TooManyTopLevelCollections",
                    Repeat("A1 01 C0", MAX_HID_TOP_LEVEL_COLLECTIONS + 1),
                    HidParseError::TooManyCollections, 3 * MAX_HID_TOP_LEVEL_COLLECTIONS},
        RefusalCase{"ReportOneByteTooLong", InVendor(Hex("09 10 75 08 96 FF FF 91 02")),
                    HidParseError::ReportTooLong, 14},
        RefusalCase{"SizeTimesCountBeyond32Bits",
                    InVendor(Hex("77 FF FF FF FF 97 FF FF FF FF 81 02")),
                    HidParseError::ReportTooLong, 17},
        RefusalCase{"ReportGrowsPastTheLimit", InVendor(Hex("75 08 96 00 80 81 03 81 03")),
                    HidParseError::ReportTooLong, 14},
        RefusalCase{"TooManyUsagesForOneItem",
                    InVendor(Repeat("09 01", MAX_HID_USAGES_PER_ITEM + 1)),
                    HidParseError::TooManyUsages, 7 + 2 * MAX_HID_USAGES_PER_ITEM},
        RefusalCase{"TooManyCapabilities", ManyCapabilities(MAX_HID_CAPABILITIES + 1),
                    HidParseError::TooManyCapabilities, 7 + 4 * 2 * 256 + 4 * 6 + 2 + 4},
        RefusalCase{"DescriptorTooLong", Bytes(MAX_HID_DESCRIPTOR_LENGTH + 1, 0xB9),
                    HidParseError::DescriptorTooLong, MAX_HID_DESCRIPTOR_LENGTH}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- One unreadable top-level collection among others -------------------------------------

struct SkippedLine {
    HidParseError error;
    bool usageKnown;
    std::uint16_t usagePage;
    std::uint16_t usage;
    friend bool operator==(const SkippedLine&, const SkippedLine&) = default;
};

void PrintTo(const SkippedLine& line, std::ostream* os) {
    *os << HidParseErrorText(line.error) << (line.usageKnown ? " usage 0x" : " usage unknown 0x")
        << std::hex << line.usagePage << ":0x" << line.usage << std::dec;
}

struct SkipCase {
    const char* name;
    Bytes descriptor;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> read;  // usage page and usage of each
    std::vector<SkippedLine> skipped;
    friend void PrintTo(const SkipCase& c, std::ostream* os) { *os << c.name; }
};

class HidDescriptorSkips : public ::testing::TestWithParam<SkipCase> {};

// The collections read are read in full: the controller among them is still the controller.
TEST_P(HidDescriptorSkips, OnlyTheUnreadableCollection) {
    const SkipCase& c = GetParam();
    const HidParseResult result = ParseHidDescriptor(c.descriptor);
    ASSERT_TRUE(result.ok()) << DescribeHidParseResult(result);
    std::vector<std::pair<std::uint16_t, std::uint16_t>> read;
    for (const HidCollectionCaps& collection : result.collections)
        read.emplace_back(collection.usagePage, collection.usage);
    EXPECT_EQ(read, c.read);
    std::vector<SkippedLine> skipped;
    for (const HidSkippedCollection& s : result.skipped)
        skipped.push_back({s.reason.error, s.usageKnown, s.usagePage, s.usage});
    EXPECT_EQ(skipped, c.skipped);

    const HidCollectionCaps& last = result.collections.back();
    OutputGroup group;
    ASSERT_TRUE(BuildOutputDataTable(last.Caps(), OutputCapsReaderFor(last), group));
    EXPECT_EQ(MatchController(true, last.Caps(), group.outTable), MatchResult::Controller);
    EXPECT_EQ(last.Caps().inputReportByteLength, 64);
    EXPECT_EQ(last.Caps().outputReportByteLength, 64);
}

// A vendor collection around the given items whose reports take their report ID, usage page,
// size and count from the collections before it.
Bytes ControllerInheritingGlobals(std::string_view prefix) {
    return Hex(std::string("09 01 A1 01").append(prefix).append("09 02 91 02 09 03 81 02 C0"));
}

Bytes WithManyCapabilitiesRefusedLate() {
    Bytes body;
    for (std::size_t i = 0; i < MAX_HID_CAPABILITIES / MAX_HID_USAGES_PER_ITEM; ++i)
        body = Concat({body, Repeat("09 01", MAX_HID_USAGES_PER_ITEM), Hex("75 08 95 01 91 00")});
    return Concat({InVendor(Concat({body, Hex("0C")})), VENDOR_CONTROLLER});
}

constexpr std::pair<std::uint16_t, std::uint16_t> KEYBOARD{0x01, 0x06};
constexpr std::pair<std::uint16_t, std::uint16_t> CONTROLLER{0xFF00, 0x01};

INSTANTIATE_TEST_SUITE_P(
    Collections, HidDescriptorSkips,
    ::testing::Values(
        SkipCase{"ReservedItemInAKeyboard",
                 Concat({Hex("05 01 09 06 A1 01 0C C0"), VENDOR_CONTROLLER}),
                 {CONTROLLER},
                 {{HidParseError::ReservedItem, true, 0x01, 0x06}}},
        SkipCase{"ReportTooLongBeforeTheController",
                 Concat({InVendor(Hex("09 10 75 08 96 FF FF 91 02")), VENDOR_CONTROLLER}),
                 {CONTROLLER},
                 {{HidParseError::ReportTooLong, true, 0xFF00, 0x01}}},
        // The report ID, page, size and count set after the odd item still reach the next one.
        SkipCase{"GlobalsOfASkippedCollectionAreInherited",
                 Concat({InVendor(Hex("0C 85 AA 06 00 FF 75 08 95 3F")),
                         ControllerInheritingGlobals("")}),
                 {CONTROLLER},
                 {{HidParseError::ReservedItem, true, 0xFF00, 0x01}}},
        SkipCase{"PushInASkippedCollectionPopInTheNext",
                 Concat({Hex("85 AA 75 08 95 3F"), InVendor(Hex("D1 00 A4 85 05")),
                         ControllerInheritingGlobals("B4")}),
                 {CONTROLLER},
                 {{HidParseError::UnknownMainItem, true, 0xFF00, 0x01}}},
        SkipCase{"NestingCountedThroughASkippedCollection",
                 Concat({Repeat("A1 02", MAX_HID_COLLECTION_DEPTH + 2),
                         Repeat("C0", MAX_HID_COLLECTION_DEPTH + 2), VENDOR_CONTROLLER}),
                 {CONTROLLER},
                 {{HidParseError::CollectionTooDeep, true, 0, 0}}},
        SkipCase{"RefusedLocalsNameTheNextCollection",
                 Concat({Hex("19 01 A1 01 C0"), VENDOR_CONTROLLER}),
                 {CONTROLLER},
                 {{HidParseError::UnpairedUsageRange, false, 0, 0}}},
        SkipCase{"CapabilitiesOfASkippedCollectionAreGivenBack",
                 WithManyCapabilitiesRefusedLate(),
                 {CONTROLLER},
                 {{HidParseError::ReservedItem, true, 0xFF00, 0x01}}},
        SkipCase{"CutAfterTheController",
                 Concat({BOOT_KEYBOARD, VENDOR_CONTROLLER, Hex("05 01 09 06 A1 01 06 00")}),
                 {KEYBOARD, CONTROLLER},
                 {{HidParseError::TruncatedItem, true, 0x01, 0x06}}},
        // A refused global item leaves every later collection unread, with its usage unknown.
        SkipCase{"RefusedGlobalLosesEveryLaterCollection",
                 Concat({VENDOR_CONTROLLER, InVendor(Hex("85 00")), BOOT_KEYBOARD}),
                 {CONTROLLER},
                 {{HidParseError::InvalidReportId, true, 0xFF00, 0x01},
                  {HidParseError::InvalidReportId, false, 0, 0}}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(HidDescriptor, NothingReadableGivesTheFirstReason) {
    const HidParseResult result =
        ParseHidDescriptor(Concat({InVendor(Hex("0C")), InVendor(Hex("B4"))}));
    EXPECT_EQ(result.error, HidParseError::ReservedItem) << DescribeHidParseResult(result);
    EXPECT_EQ(result.offset, 7u);
    EXPECT_TRUE(result.collections.empty());
    EXPECT_EQ(result.skipped.size(), 2u);
}

TEST(HidDescriptor, AcceptsTheBoundsThemselves) {
    const HidParseResult caps = ParseHidDescriptor(ManyCapabilities(MAX_HID_CAPABILITIES));
    ASSERT_TRUE(caps.ok()) << DescribeHidParseResult(caps);
    EXPECT_EQ(caps.collections[0].Of(Out).buttons.size(), MAX_HID_CAPABILITIES);

    // Filled up to the largest length with unknown local items, which only describe.
    Bytes longest = InVendor(Bytes(MAX_HID_DESCRIPTOR_LENGTH - 8, 0xB8));
    ASSERT_EQ(longest.size(), MAX_HID_DESCRIPTOR_LENGTH);
    EXPECT_TRUE(ParseHidDescriptor(longest).ok());

    const Bytes deepest =
        Concat({Repeat("A1 02", MAX_HID_COLLECTION_DEPTH), Repeat("C0", MAX_HID_COLLECTION_DEPTH)});
    EXPECT_TRUE(ParseHidDescriptor(deepest).ok());
}

// Every cut of a well-formed descriptor is refused for its cut, never read past.
TEST(HidDescriptor, EveryTruncationIsRefused) {
    for (const Bytes* sample : {&BOOT_KEYBOARD, &WHEEL_MOUSE, &TOUCH_SCREEN, &VENDOR_CONTROLLER}) {
        for (std::size_t length = 0; length < sample->size(); ++length) {
            const Bytes cut(sample->begin(), sample->begin() + static_cast<std::ptrdiff_t>(length));
            const HidParseResult result = ParseHidDescriptor(cut);
            EXPECT_TRUE(result.error == HidParseError::TruncatedItem ||
                        result.error == HidParseError::UnclosedCollection ||
                        result.error == HidParseError::NoCollection)
                << "length " << length << ": " << DescribeHidParseResult(result);
            EXPECT_LE(result.offset, length);
        }
    }
}

TEST(HidDescriptor, DescribesARefusalWithItsOffset) {
    EXPECT_EQ(DescribeHidParseResult(ParseHidDescriptor(InVendor(Hex("85 00")))),
              "report ID 0 or above 255 at offset 7");
    EXPECT_EQ(DescribeHidParseResult(ParseHidDescriptor(VENDOR_CONTROLLER)), "ok");
    EXPECT_EQ(DescribeHidParseResult(
                  ParseHidDescriptor(Concat({InVendor(Hex("0C")), VENDOR_CONTROLLER}))),
              "ok; a collection skipped: short item of the reserved type at offset 7");
}

}  // namespace
}  // namespace norvessa
