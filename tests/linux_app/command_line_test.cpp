// SPDX-License-Identifier: MIT
// The command line as a user meets it, one child process per case: the installed program for
// what needs no controller (help, version, refusals, no controller present), and the test
// program's command-line mode over the simulated controller for the outcomes of --reset and
// --calibrate.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <memory>
#include <string>

namespace norvessa::test {
namespace {

struct Outcome {
    int exitCode = -1;
    bool crashed = true;
    std::string out;
    std::string err;
};

Outcome RunChild(const QString& program, const QStringList& arguments, bool withDisplay) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Without a display, a window that opens would end the child through Qt.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (withDisplay) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(program, arguments);
    Outcome outcome;
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished();
        return outcome;
    }
    outcome.crashed = child.exitStatus() != QProcess::NormalExit;
    outcome.exitCode = child.exitCode();
    outcome.out = child.readAllStandardOutput().toStdString();
    outcome.err = child.readAllStandardError().toStdString();
    return outcome;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

struct ProgramCase {
    const char* name;
    QStringList arguments;
    bool withDisplay;
    int exitCode;
    const char* firstOutLine;  // nullptr: nothing on stdout
    const char* errText;       // found on stderr; nullptr: not looked at
    bool showsUsage = false;
};

class ProgramCommandLine : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramCommandLine, EndsWithItsExitCodeAndWords) {
    const ProgramCase& c = GetParam();
    const Outcome outcome = RunChild(QStringLiteral(NORVESSA_PROGRAM), c.arguments, c.withDisplay);
    ASSERT_FALSE(outcome.crashed) << outcome.err;
    EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err;
    if (c.firstOutLine != nullptr) {
        EXPECT_EQ(FirstLine(outcome.out), c.firstOutLine);
    } else {
        EXPECT_EQ(outcome.out, "");
    }
    if (c.errText != nullptr) {
        EXPECT_NE(outcome.err.find(c.errText), std::string::npos) << outcome.err;
    }
    if (c.showsUsage) {
        EXPECT_NE(outcome.err.find("Usage: norvessa [OPTION]..."), std::string::npos)
            << outcome.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramCommandLine,
    ::testing::Values(
        ProgramCase{
            "help_without_display", {"--help"}, false, 0, "Usage: norvessa [OPTION]...", ""},
        ProgramCase{
            "version_without_display", {"--version"}, false, 0, "Norvessa " NORVESSA_VERSION, ""},
        ProgramCase{"unknown_option",
                    {"--bogus"},
                    false,
                    2,
                    nullptr,
                    "norvessa: unknown option '--bogus'",
                    true},
        // Qt would abort on a platform it cannot load; the program refuses it first.
        ProgramCase{"unknown_platform",
                    {"-platform", "bogus"},
                    false,
                    2,
                    nullptr,
                    "norvessa: no Qt platform plugin 'bogus' (available: ",
                    true},
        ProgramCase{"calibration_count",
                    {"--calibrate", "10"},
                    false,
                    2,
                    nullptr,
                    "norvessa: --calibrate takes 4, 9, 12, 15, 16, 20 or 25 points, not '10'",
                    true},
        ProgramCase{"unknown_screen",
                    {"--screen", "NOPE-9"},
                    true,
                    2,
                    nullptr,
                    "norvessa: no screen 'NOPE-9' (screens: 0 "},
        ProgramCase{"screen_index_past_the_end",
                    {"--screen", "7", "--calibrate", "4"},
                    true,
                    2,
                    nullptr,
                    nullptr}),
    [](const ::testing::TestParamInfo<ProgramCase>& param) {
        return std::string(param.param.name);
    });

// The platform's name is compared as Qt compares it; a known one reaches Qt and the window.
TEST(ProgramCommandLine, AKnownPlatformReachesQt) {
    const Outcome outcome = RunChild(
        QStringLiteral(NORVESSA_PROGRAM),
        {QStringLiteral("-platform"), QStringLiteral("OFFSCREEN"), QStringLiteral("--screen"),
         QStringLiteral("0"), QStringLiteral("--calibrate"), QStringLiteral("4")},
        false);
    ASSERT_FALSE(outcome.crashed) << outcome.err;
    // No controller in a test machine's udev: the calibration cannot start.
    if (!QDir(QStringLiteral("/sys/class/hidraw")).isEmpty()) {
        GTEST_SKIP() << "this machine has hidraw nodes";
    }
    EXPECT_EQ(outcome.exitCode, 4);
    EXPECT_NE(outcome.err.find("no controller found\n"), std::string::npos) << outcome.err;
}

TEST(ProgramCommandLine, ListAndResetWithoutAnyHidrawNode) {
    if (!QDir(QStringLiteral("/sys/class/hidraw")).isEmpty()) {
        GTEST_SKIP() << "this machine has hidraw nodes";
    }
    const Outcome list =
        RunChild(QStringLiteral(NORVESSA_PROGRAM), {QStringLiteral("--list")}, false);
    EXPECT_EQ(list.exitCode, 1);
    EXPECT_EQ(list.out, "no hidraw node present\n");
    const Outcome reset =
        RunChild(QStringLiteral(NORVESSA_PROGRAM), {QStringLiteral("--reset")}, false);
    EXPECT_EQ(reset.exitCode, 4);
    EXPECT_EQ(reset.err, "no controller found\n");
}

struct ControllerCase {
    const char* name;
    const char* answer;  // how the simulated controller answers
    QStringList arguments;
    int exitCode;
    const char* out;
};

class ControllerCommandLine : public ::testing::TestWithParam<ControllerCase> {};

TEST_P(ControllerCommandLine, EndsWithItsExitCode) {
    const ControllerCase& c = GetParam();
    QStringList arguments = {QStringLiteral("--command-line"), QString::fromLatin1(c.answer)};
    arguments << c.arguments;
    const Outcome outcome = RunChild(QCoreApplication::applicationFilePath(), arguments, true);
    ASSERT_FALSE(outcome.crashed) << outcome.err;
    EXPECT_EQ(outcome.exitCode, c.exitCode) << outcome.err;
    EXPECT_EQ(outcome.out, c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ControllerCommandLine,
    ::testing::Values(
        ControllerCase{"reset_succeeded", "success", {"--reset"}, 0, "reset succeeded\n"},
        ControllerCase{"reset_failed", "failure", {"--reset"}, 1, "reset failed\n"},
        ControllerCase{"reset_no_verdict", "no-verdict", {"--reset"}, 5, "no verdict\n"},
        ControllerCase{"reset_silence", "silent", {"--reset"}, 3, "no reply\n"},
        ControllerCase{"calibration_succeeded", "success", {"--calibrate", "4"}, 0, ""},
        ControllerCase{"calibration_failed", "failure", {"--calibrate=4"}, 1, ""}),
    [](const ::testing::TestParamInfo<ControllerCase>& param) {
        return std::string(param.param.name);
    });

}  // namespace
}  // namespace norvessa::test
