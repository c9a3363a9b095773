// norvessa.exe --check as a script runs it: a child process with its standard handles on
// pipes, its check window touched from here with posted mouse messages, its exit code and the
// report it writes to standard output.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>

#include "calibration/check_points.h"
#include "calibration/target_layout.h"
#include "child_process.h"
#include "window_queries.h"

namespace norvessa::test {
namespace {

using namespace std::chrono_literals;

constexpr int STEADY_MOVES = 12;

using Outcome = automation::ChildOutcome;

Outcome RunProgram(const char* program, const std::wstring& arguments,
                   const std::function<void(DWORD processId)>& user) {
    Outcome outcome = automation::RunChild(automation::WidePath(program), arguments, user);
    EXPECT_TRUE(outcome.started) << "the program did not start";
    EXPECT_TRUE(outcome.ended) << "the program did not end";
    return outcome;
}

// The check window of `norvessa.exe --check`: the process's one visible dialog.
Outcome RunCheckProgram(const std::wstring& arguments, const std::function<void(HWND)>& user) {
    return RunProgram(NORVESSA_PROGRAM, arguments, [&](DWORD processId) {
        if (!user) {
            return;
        }
        HWND window = automation::WaitForWindow(
            20s, [&](HWND hwnd) { return automation::IsVisibleDialogOf(hwnd, processId); });
        if (window != nullptr) {
            user(window);
        } else {
            ADD_FAILURE() << "no check window appeared";
        }
    });
}

void TouchEveryPoint(HWND window, POINT offset) {
    const auto points = LayoutCheckPoints(DEFAULT_CHECK_POINTS, GetSystemMetrics(SM_CXSCREEN),
                                          GetSystemMetrics(SM_CYSCREEN));
    for (const PixelPoint& p : points.value_or(std::vector<PixelPoint>{})) {
        automation::PostMouseTouch(window, POINT{p.x + offset.x, p.y + offset.y}, STEADY_MOVES);
    }
}

void Escape(HWND window) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

struct ExitCase {
    const char* name;
    std::optional<POINT> offset;  // none: Escape before the first point
    DWORD exitCode;
    const char* result;  // the report's check.result, or none without a report
};

TEST(CheckCommandTest, CheckAloneEndsWithTheCheckExitCodeAndWritesTheReport) {
    if (!automation::DisplayAvailable()) {
        GTEST_SKIP() << "no display";
    }
    const std::vector<ExitCase> cases = {
        {"passed", POINT{3, 4}, 0, "pass"},
        {"failed", POINT{60, 0}, 6, "fail"},
        {"cancelled", std::nullopt, 7, nullptr},
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = RunCheckProgram(L"--check --report -", [&](HWND window) {
            if (c.offset) {
                TouchEveryPoint(window, *c.offset);
                // The picture shows once the last point is taken; Escape leaves it as Done.
                Sleep(1500);
            }
            Escape(window);
        });
        EXPECT_EQ(outcome.exitCode, c.exitCode) << "stderr: " << outcome.err;
        if (c.result == nullptr) {
            EXPECT_EQ(outcome.out, "") << "stderr: " << outcome.err;
            continue;
        }
        const auto report = nlohmann::json::parse(outcome.out, nullptr, false);
        ASSERT_FALSE(report.is_discarded()) << outcome.out << "\nstderr: " << outcome.err;
        EXPECT_EQ(report["check"]["result"], c.result) << outcome.out;
        EXPECT_TRUE(report["controller"].is_null()) << outcome.out;
        EXPECT_TRUE(report["calibration"].is_null()) << outcome.out;
        EXPECT_EQ(report["check"]["points"].size(), 5u) << outcome.out;
        EXPECT_EQ(report["monitor"]["pixels"]["width"], GetSystemMetrics(SM_CXSCREEN))
            << outcome.out;
    }
}

TEST(CheckCommandTest, TheReportGoesToAFileAndNothingToStandardOutput) {
    if (!automation::DisplayAvailable()) {
        GTEST_SKIP() << "no display";
    }
    wchar_t directory[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, directory);
    const std::wstring path = std::wstring(directory) + L"norvessa-check-report.json";
    DeleteFileW(path.c_str());
    const Outcome outcome =
        RunCheckProgram(L"--check --tolerance 10 --report \"" + path + L"\"", [](HWND window) {
            TouchEveryPoint(window, POINT{6, 8});
            Sleep(1500);
            Escape(window);
        });
    EXPECT_EQ(outcome.exitCode, 0u) << "stderr: " << outcome.err;
    EXPECT_EQ(outcome.out, "");
    std::string text;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "no report file; stderr: " << outcome.err;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(file);
    DeleteFileW(path.c_str());
    const auto report = nlohmann::json::parse(text, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << text;
    EXPECT_EQ(report["check"]["result"], "pass") << text;
    EXPECT_EQ(report["check"]["tolerance"]["value"], 10.0) << text;
    EXPECT_EQ(report["check"]["largest_error_px"], 10.0) << text;
}

// A passed check whose report cannot be written must not end as a success.
TEST(CheckCommandTest, AReportThatCannotBeWrittenEndsWithExitCodeOne) {
    if (!automation::DisplayAvailable()) {
        GTEST_SKIP() << "no display";
    }
    const Outcome outcome = RunCheckProgram(
        L"--check --report C:\\no-such-folder-norvessa\\report.json", [](HWND window) {
            TouchEveryPoint(window, POINT{0, 0});
            Sleep(1500);
            Escape(window);
        });
    EXPECT_EQ(outcome.exitCode, 1u) << "stderr: " << outcome.err;
    EXPECT_NE(outcome.err.find("could not be written"), std::string::npos) << outcome.err;
}

TEST(CheckCommandTest, ABadToleranceIsAUsageErrorOfOneLine) {
    for (const wchar_t* value : {L"--tolerance 0", L"--tolerance 5cm", L"--tolerance -3"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(value)));
        const Outcome outcome = RunCheckProgram(std::wstring(L"--check ") + value, nullptr);
        EXPECT_EQ(outcome.exitCode, 2u) << "stderr: " << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
}

HWND WaitForDialogOwnedBy(DWORD processId, HWND owner, HWND other = nullptr) {
    return automation::WaitForWindow(20s, [&](HWND hwnd) {
        return hwnd != other && automation::IsVisibleDialogOf(hwnd, processId) &&
               GetWindow(hwnd, GW_OWNER) == owner;
    });
}

// The demo's simulated controller answers the calibration with success; the check follows in
// the same run, with the controller and the calibration in its report.
TEST(CheckCommandTest, CalibrateThenCheckReportsBothAndEndsWithTheCheckExitCode) {
    if (!automation::DisplayAvailable()) {
        GTEST_SKIP() << "no display";
    }
    std::string steps;
    const Outcome outcome =
        RunProgram(NORVESSA_DEMO_PROGRAM, L"--calibrate 4 --check --report -", [&](DWORD pid) {
            // The calibration starts before the main dialog first shows: its owner is that.
            HWND calibration = automation::WaitForWindow(
                20s, [&](HWND hwnd) { return automation::IsVisibleDialogOf(hwnd, pid); });
            HWND main = calibration ? GetWindow(calibration, GW_OWNER) : nullptr;
            if (main == nullptr) {
                steps += "no calibration window; ";
                return;
            }
            TargetTable targets{};
            [[maybe_unused]] const LayoutResult laid = LayoutTargets(
                4, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), targets);
            for (int k = 0; k < 4; ++k) {
                automation::PostMouseTouch(calibration, POINT{targets.x[k], targets.y[k]},
                                           STEADY_MOVES);
            }
            HWND verdict = WaitForDialogOwnedBy(pid, calibration);
            if (verdict == nullptr) {
                steps += "no verdict box; ";
                return;
            }
            PostMessageW(verdict, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            HWND check = WaitForDialogOwnedBy(pid, main, calibration);
            if (check == nullptr) {
                steps += "no check window; ";
                return;
            }
            TouchEveryPoint(check, POINT{0, 0});
            Sleep(1500);
            Escape(check);
        });
    EXPECT_EQ(steps, "");
    EXPECT_EQ(outcome.exitCode, 0u) << "stderr: " << outcome.err;
    const auto report = nlohmann::json::parse(outcome.out, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << outcome.out << "\nstderr: " << outcome.err;
    EXPECT_EQ(report["calibration"]["point_count"], 4) << outcome.out;
    EXPECT_EQ(report["calibration"]["verdict"], "success") << outcome.out;
    EXPECT_TRUE(report["controller"]["path"].is_string()) << outcome.out;
    EXPECT_EQ(report["check"]["result"], "pass") << outcome.out;
}

}  // namespace
}  // namespace norvessa::test
