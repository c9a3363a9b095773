// SPDX-License-Identifier: MIT
// norvessa.exe's command line from outside, as a script or a console user meets it: its
// standard handles redirected to pipes, its exit code and words. Under Wine there is no touch
// controller, only Wine's own virtual HID devices.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"

namespace norvessa::test {
namespace {

using Outcome = automation::ChildOutcome;

Outcome RunProgram(const std::wstring& arguments) {
    Outcome outcome = automation::RunChild(automation::WidePath(NORVESSA_PROGRAM), arguments);
    EXPECT_TRUE(outcome.started);
    return outcome;
}

struct Case {
    const char* name;
    const wchar_t* arguments;
    DWORD exitCode;
    const char* outStart;  // the beginning of stdout; nullptr: stdout empty
    const char* errText;   // found on stderr; nullptr: not looked at
};

class WindowsCommandLine : public ::testing::TestWithParam<Case> {};

TEST_P(WindowsCommandLine, EndsWithItsExitCodeAndWords) {
    const Case& c = GetParam();
    const Outcome outcome = RunProgram(c.arguments);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err;
    if (c.outStart != nullptr) {
        EXPECT_EQ(outcome.out.rfind(c.outStart, 0), 0u) << outcome.out;
    } else {
        EXPECT_EQ(outcome.out, "");
    }
    if (c.errText != nullptr) {
        EXPECT_NE(outcome.err.find(c.errText), std::string::npos) << outcome.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowsCommandLine,
    ::testing::Values(
        Case{"help", L"--help", 0, "Usage: norvessa [OPTION]...", nullptr},
        Case{"version", L"--version", 0, "Norvessa " NORVESSA_VERSION "\n", nullptr},
        Case{"unknown_option", L"--bogus", 2, nullptr,
             "norvessa: unknown option '--bogus'\nUsage: norvessa [OPTION]..."},
        // Qt's options mean nothing to the Windows build.
        Case{"toolkit_option", L"-platform offscreen", 2, nullptr,
             "norvessa: unknown option '-platform'"},
        Case{"calibration_count", L"--calibrate 10", 2, nullptr,
             "--calibrate takes 4, 9, 12, 15, 16, 20 or 25 points, not '10'"},
        Case{"reset_without_controller", L"--reset", 4, nullptr, "no controller found\n"},
        // The main dialog opens, finds no controller and ends.
        Case{"calibration_without_controller", L"--calibrate 9", 4, nullptr,
             "no controller found\n"},
        // Wine offers one monitor: index 0 is taken, anything else refused
        // before a window opens.
        Case{"screen_by_index", L"--screen 0 --calibrate 9", 4, nullptr, "no controller found\n"},
        Case{"unknown_screen", L"--screen 7 --calibrate 9", 2, nullptr,
             "norvessa: no screen '7' (screens: 0 "},
        // Wine's virtual HID devices are listed, each with its reason.
        Case{"list_without_controller", L"--list", 1, "\\\\?\\", nullptr}),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace norvessa::test
