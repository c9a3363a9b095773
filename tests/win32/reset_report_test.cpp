// SPDX-License-Identifier: MIT
// What --reset prints and how it exits for each outcome of the reset exchange. Under Wine no
// controller answers the program itself (norvessa_cli_tests sees only "no controller found"),
// so the outcomes are fed in here: silence and a reply without a verdict must not share a code,
// and a controller that an earlier write still holds is told apart on stderr.

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/win32/command_line_win32.h"

namespace norvessa::win32 {
namespace {

struct ReportCase {
    const char* name;
    ResetOutcome outcome;
    int exitCode;
    const char* out;
    const char* err;
};

const ReportCase kReports[] = {
    {"SuccessVerdict", ResetOutcome::Succeeded, EXIT_DONE, "reset succeeded\n", ""},
    {"FailureVerdict", ResetOutcome::Failed, EXIT_FAILED, "reset failed\n", ""},
    {"Silence", ResetOutcome::NoReply, EXIT_NO_REPLY, "no reply\n", ""},
    {"ReplyWithoutVerdict", ResetOutcome::NoMessage, EXIT_NO_VERDICT, "no verdict\n", ""},
    {"ControllerGone", ResetOutcome::ControllerGone, EXIT_NO_CONTROLLER, "",
     "the controller went away\n"},
    {"EarlierWriteStuck", ResetOutcome::NotResponding, EXIT_NO_REPLY, "",
     "the controller is not responding\n"},
};

class ResetReportTest : public testing::TestWithParam<ReportCase> {};

TEST_P(ResetReportTest, PrintsItsLineAndExitsWithItsCode) {
    const ReportCase& c = GetParam();
    const ResetReport report = ReportReset(c.outcome);
    EXPECT_EQ(report.exitCode, c.exitCode);
    EXPECT_EQ(report.out, c.out);
    EXPECT_EQ(report.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, ResetReportTest, testing::ValuesIn(kReports),
                         [](const testing::TestParamInfo<ReportCase>& param) {
                             return param.param.name;
                         });

}  // namespace
}  // namespace norvessa::win32
