// SPDX-License-Identifier: MIT
// norvessa.exe's command line from outside, as a script or a console user meets it: its
// standard handles redirected to pipes, its exit code and words. Under Wine there is no touch
// controller, only Wine's own virtual HID devices.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "launched_app.h"

namespace norvessa::test {
namespace {

struct Outcome {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

std::string ReadAll(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

// Runs the program with `arguments`; its output and errors go to two pipes.
Outcome RunProgram(const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    EXPECT_TRUE(::CreatePipe(&outRead, &outWrite, &inherit, 0));
    EXPECT_TRUE(::CreatePipe(&errRead, &errWrite, &inherit, 0));
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::wstring commandLine =
        L"\"" +
        automation::ToWindowsPath(
            std::wstring(NORVESSA_PROGRAM, NORVESSA_PROGRAM + sizeof NORVESSA_PROGRAM - 1)) +
        L"\" " + arguments;
    PROCESS_INFORMATION info{};
    Outcome outcome;
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                          nullptr, nullptr, &startup, &info);
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    if (started) {
        // Small outputs: the pipes' buffers hold them until the process has ended.
        if (::WaitForSingleObject(info.hProcess, 30000) != WAIT_OBJECT_0) {
            ::TerminateProcess(info.hProcess, 0xDEAD);
        }
        ::GetExitCodeProcess(info.hProcess, &outcome.exitCode);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
        outcome.out = ReadAll(outRead);
        outcome.err = ReadAll(errRead);
    }
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    EXPECT_TRUE(started);
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
