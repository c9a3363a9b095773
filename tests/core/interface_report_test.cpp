// SPDX-License-Identifier: MIT
// The lines of --list: identity as the kernel gives it, and a reason a user can act on.

#include "app/interface_report.h"

#include <gtest/gtest.h>

#include <vector>

namespace norvessa {
namespace {

OutputDataEntry EntryWithReportId(std::uint32_t reportId) {
    OutputDataEntry entry;
    entry.reportId = reportId;
    return entry;
}

TEST(InterfaceReport, EachMatchResultGivesItsReason) {
    struct Case {
        MatchResult match;
        std::uint16_t inputLength;
        std::uint16_t outputLength;
        std::vector<OutputDataEntry> table;
        const char* verdict;
    };
    const Case cases[] = {
        {MatchResult::Controller, 64, 64, {EntryWithReportId(0xAA)}, "is the controller"},
        {MatchResult::EmptyTable, 8, 0, {}, "not the controller: no output report"},
        {MatchResult::OtherReportId,
         64,
         64,
         {EntryWithReportId(0x05)},
         "not the controller: report ID not 0xAA (0x05)"},
        {MatchResult::OutputReportTooLong,
         64,
         65,
         {EntryWithReportId(0xAA)},
         "not the controller: output longer than 64 bytes (65)"},
        {MatchResult::InputReportTooLong,
         512,
         64,
         {EntryWithReportId(0xAA)},
         "not the controller: input longer than 64 bytes (512)"},
    };
    for (const Case& c : cases) {
        InterfaceReport report;
        report.path = "/dev/hidraw1";
        HidCaps caps;
        caps.inputReportByteLength = c.inputLength;
        caps.outputReportByteLength = c.outputLength;
        RecordMatch(report, c.match, caps, c.table);
        EXPECT_EQ(Verdict(report), c.verdict);
    }
}

TEST(InterfaceReport, LineNamesPathIdsNameVerdictAndWhatIsKnownOfPlace) {
    InterfaceReport described;
    described.path = "/dev/hidraw2";
    ASSERT_TRUE(ReadHidId("0003:000004D8:00000C0A", described));
    described.productName = "Touch Panel";
    RecordMatch(described, MatchResult::EmptyTable, HidCaps{}, {});
    InterfaceReport unopened;
    unopened.path = "/dev/hidraw0";
    unopened.failure = "cannot open: Permission denied";

    struct Case {
        InterfaceReport report;
        const char* serial;
        const char* port;
        const char* line;
    };
    const Case cases[] = {
        {described, "", "",
         "/dev/hidraw2\t04d8:0c0a\t\"Touch Panel\"\tnot the controller: no output report"},
        {unopened, "", "",
         "/dev/hidraw0\t????:????\t\"\"\tnot the controller: cannot open: Permission denied"},
        {described, "A1 B2", "1-1.2",
         "/dev/hidraw2\t04d8:0c0a\t\"Touch Panel\"\tnot the controller: no output report"
         "\tserial \"A1 B2\"\tport 1-1.2"},
        {described, "NRV-7", "",
         "/dev/hidraw2\t04d8:0c0a\t\"Touch Panel\"\tnot the controller: no output report"
         "\tserial \"NRV-7\""},
        {unopened, "", "USB\\VID_04D8&PID_0C0A\\5&2C3F&0&2",
         "/dev/hidraw0\t????:????\t\"\"\tnot the controller: cannot open: Permission denied"
         "\tport USB\\VID_04D8&PID_0C0A\\5&2C3F&0&2"},
    };
    for (const Case& c : cases) {
        InterfaceReport report = c.report;
        report.serialNumber = c.serial;
        report.usbPort = c.port;
        EXPECT_EQ(FormatInterfaceLine(report), c.line);
    }
}

TEST(InterfaceReport, HidIdIsReadOnlyInTheKernelsShape) {
    const char* refused[] = {
        "",
        "0003:04D8:0C0A",           // short fields
        "0003:000004D8-00000C0A",   // wrong separator
        "0003:0000G4D8:00000C0A",   // not hexadecimal
        "0003:000104D8:00000C0A",   // vendor past 16 bits
        "0003:000004D8:00000C0A0",  // one digit too many
    };
    for (const char* text : refused) {
        InterfaceReport report;
        EXPECT_FALSE(ReadHidId(text, report)) << text;
        EXPECT_FALSE(report.vendorId) << text;
    }
    InterfaceReport report;
    ASSERT_TRUE(ReadHidId("0018:0000FFFF:00000001", report));
    EXPECT_EQ(report.vendorId, 0xFFFF);
    EXPECT_EQ(report.productId, 0x0001);
}

}  // namespace
}  // namespace norvessa
