// SPDX-License-Identifier: MIT
// The command line as a pure function: what each argument list asks for, and which lists are
// refused with what message.

#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvessa {
namespace {

using Args = std::vector<std::string>;

struct Accepted {
    const char* name;
    Args arguments;
    Command command;
    int points = 0;
    const char* screen = nullptr;
    bool verbose = false;
    Args toolkitArguments = {};
};

class AcceptedCommandLine : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedCommandLine, AsksForWhatItNames) {
    const Accepted& c = GetParam();
    const ParseOutcome outcome = ParseCommandLine(c.arguments, ToolkitOptions::PassedOn);
    ASSERT_TRUE(outcome.commandLine) << outcome.error;
    const CommandLine& line = *outcome.commandLine;
    EXPECT_EQ(line.command, c.command);
    EXPECT_EQ(line.calibrationPoints, c.points);
    EXPECT_EQ(line.screen.has_value(), c.screen != nullptr);
    if (c.screen != nullptr && line.screen) {
        EXPECT_EQ(*line.screen, c.screen);
    }
    EXPECT_EQ(line.verbose, c.verbose);
    EXPECT_EQ(line.toolkitArguments, c.toolkitArguments);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, AcceptedCommandLine,
    ::testing::Values(
        Accepted{"nothing_opens_the_dialog", {}, Command::OpenDialog},
        Accepted{"help", {"--help"}, Command::Help}, Accepted{"short_help", {"-h"}, Command::Help},
        Accepted{"version", {"--version"}, Command::Version},
        Accepted{"help_wins_over_a_command", {"--reset", "--help"}, Command::Help},
        Accepted{"help_wins_over_a_conflict", {"--reset", "--list", "--help"}, Command::Help},
        Accepted{"version_wins_over_a_command", {"--list", "--version"}, Command::Version},
        Accepted{"list", {"--list"}, Command::List},
        Accepted{"list_named_twice", {"--list", "--list"}, Command::List},
        Accepted{"reset_verbose", {"--verbose", "--reset"}, Command::Reset, 0, nullptr, true},
        Accepted{"calibrate_separate_value", {"--calibrate", "9"}, Command::Calibrate, 9},
        Accepted{"calibrate_joined_value", {"--calibrate=25"}, Command::Calibrate, 25},
        Accepted{"calibrate_fewest", {"--calibrate", "4"}, Command::Calibrate, 4},
        Accepted{"screen_by_name",
                 {"--screen", "HDMI-1", "--calibrate", "16"},
                 Command::Calibrate,
                 16,
                 "HDMI-1"},
        Accepted{"screen_joined_index", {"--screen=1"}, Command::OpenDialog, 0, "1"},
        Accepted{"toolkit_options_handed_on",
                 {"-platform", "offscreen", "-reverse", "--list", "-style", "fusion"},
                 Command::List,
                 0,
                 nullptr,
                 false,
                 {"-platform", "offscreen", "-reverse", "-style", "fusion"}},
        // A toolkit option's value is never read as one of ours.
        Accepted{"toolkit_value_that_looks_like_an_option",
                 {"-qwindowtitle", "--reset"},
                 Command::OpenDialog,
                 0,
                 nullptr,
                 false,
                 {"-qwindowtitle", "--reset"}}),
    [](const ::testing::TestParamInfo<Accepted>& param) { return std::string(param.param.name); });

struct Refused {
    const char* name;
    Args arguments;
    const char* error;
};

class RefusedCommandLine : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedCommandLine, NamesTheCulpritInOneLine) {
    const Refused& c = GetParam();
    const ParseOutcome outcome = ParseCommandLine(c.arguments, ToolkitOptions::PassedOn);
    EXPECT_FALSE(outcome.commandLine);
    EXPECT_EQ(outcome.error, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, RefusedCommandLine,
    ::testing::Values(
        Refused{"unknown_long", {"--frobnicate"}, "unknown option '--frobnicate'"},
        Refused{"unknown_short", {"-x"}, "unknown option '-x'"},
        // The toolkit's options that can end the process are not handed on.
        Refused{"toolkit_debugger",
                {"-qmljsdebugger=port:1"},
                "unknown option '-qmljsdebugger=port:1'"},
        Refused{"toolkit_option_with_long_dashes",
                {"--platform", "xcb"},
                "unknown option '--platform'"},
        Refused{"positional", {"9"}, "unexpected argument '9'"},
        Refused{"unknown_after_help", {"--help", "--nope"}, "unknown option '--nope'"},
        Refused{"calibrate_without_value", {"--calibrate"}, "option '--calibrate' needs a value"},
        Refused{"calibrate_empty_joined", {"--calibrate="}, "option '--calibrate' needs a value"},
        Refused{"calibrate_other_count",
                {"--calibrate", "10"},
                "--calibrate takes 4, 9, 12, 15, 16, 20 or 25 points, not '10'"},
        Refused{"calibrate_not_a_number",
                {"--calibrate", "9x"},
                "--calibrate takes 4, 9, 12, 15, 16, 20 or 25 points, not '9x'"},
        Refused{"calibrate_signed",
                {"--calibrate=+9"},
                "--calibrate takes 4, 9, 12, 15, 16, 20 or 25 points, not '+9'"},
        Refused{"screen_without_value", {"--screen"}, "option '--screen' needs a value"},
        Refused{"platform_without_value", {"-platform"}, "option '-platform' needs a value"},
        Refused{"two_commands", {"--list", "--reset"}, "--list and --reset cannot be combined"},
        Refused{"reset_and_calibrate",
                {"--calibrate", "9", "--reset"},
                "--calibrate and --reset cannot be combined"},
        Refused{"prefix_of_an_option", {"--calibrated", "9"}, "unknown option '--calibrated'"},
        Refused{"check_and_list", {"--list", "--check"}, "--check and --list cannot be combined"},
        Refused{
            "check_and_reset", {"--check", "--reset"}, "--check and --reset cannot be combined"},
        Refused{"report_without_check", {"--report", "-"}, "--report needs --check"},
        Refused{"tolerance_without_check",
                {"--calibrate", "9", "--tolerance=3mm"},
                "--tolerance needs --check"},
        Refused{"check_points_other_count",
                {"--check", "--check-points", "7"},
                "--check-points takes 5 or 9 points, not '7'"}),
    [](const ::testing::TestParamInfo<Refused>& param) { return std::string(param.param.name); });

// --check alone is its own command; after --calibrate it follows a successful calibration.
TEST(CommandLineCheck, StandsAloneOrFollowsACalibrationWithItsOptions) {
    struct Case {
        Args arguments;
        Command command;
        int points;
        int checkPoints;
        const char* tolerance;
        const char* report;
    };
    const Case cases[] = {
        {{"--check"}, Command::Check, 0, 5, nullptr, nullptr},
        {{"--calibrate", "9", "--check"}, Command::Calibrate, 9, 5, nullptr, nullptr},
        {{"--check", "--check-points=9", "--tolerance", "2.5mm", "--report", "-"},
         Command::Check,
         0,
         9,
         "2.5mm",
         "-"},
        {{"--report=out.json", "--check", "--screen", "1"},
         Command::Check,
         0,
         5,
         nullptr,
         "out.json"},
    };
    for (const Case& c : cases) {
        const ParseOutcome outcome = ParseCommandLine(c.arguments, ToolkitOptions::Refused);
        ASSERT_TRUE(outcome.commandLine) << outcome.error;
        const CommandLine& line = *outcome.commandLine;
        EXPECT_EQ(line.command, c.command);
        EXPECT_TRUE(line.check);
        EXPECT_EQ(line.calibrationPoints, c.points);
        EXPECT_EQ(line.checkPoints, c.checkPoints);
        EXPECT_EQ(line.tolerance.value_or(""), c.tolerance ? c.tolerance : "");
        EXPECT_EQ(line.reportPath.value_or(""), c.report ? c.report : "");
    }
    EXPECT_FALSE(
        ParseCommandLine({"--calibrate", "4"}, ToolkitOptions::Refused).commandLine->check);
}

TEST(CommandLineToolkit, WindowsRefusesQtOptionsAndTheLinuxBuildKeepsThePlatform) {
    const Args arguments = {"-platform", "bogus"};
    const ParseOutcome windows = ParseCommandLine(arguments, ToolkitOptions::Refused);
    EXPECT_FALSE(windows.commandLine);
    EXPECT_EQ(windows.error, "unknown option '-platform'");
    const ParseOutcome onLinux = ParseCommandLine(arguments, ToolkitOptions::PassedOn);
    ASSERT_TRUE(onLinux.commandLine);
    ASSERT_TRUE(onLinux.commandLine->platform);
    EXPECT_EQ(*onLinux.commandLine->platform, "bogus");
}

TEST(CommandLineScreen, FindsByNameFirstThenByIndex) {
    const std::vector<std::string> screens = {"eDP-1", "HDMI-1", "0"};
    struct Case {
        const char* wanted;
        std::optional<std::size_t> index;
    };
    const Case cases[] = {
        {"HDMI-1", 1},
        {"eDP-1", 0},
        {"1", 1},
        {"0", 2},  // a screen named "0" is taken by its name
        {"3", std::nullopt},
        {"-1", std::nullopt},
        {"hdmi-1", std::nullopt},
        {"", std::nullopt},
        {"1x", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindScreen(c.wanted, screens), c.index) << c.wanted;
    }
    EXPECT_EQ(FindScreen("0", {}), std::nullopt);
}

}  // namespace
}  // namespace norvessa
