// SPDX-License-Identifier: MIT
#include "app/win32/command_line_win32.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/interface_report.h"
#include "calibration/check_error.h"
#include "calibration/win32/calibration_monitor.h"
#include "controller/log.h"
#include "controller/win32/controller_device.h"
#include "controller/win32/controller_state.h"
#include "controller/win32/device_identity.h"
#include "controller/win32/error_text.h"
#include "controller/win32/wide_text.h"
#include "controller/win32/win32_hid_platform.h"
#include "protocol/win32/reset_exchange.h"
#include "ui/win32/app_messages.h"

namespace norvessa::win32 {
namespace {

// Where the command line's words go. A GUI program has no console of its own.
class TextOutput {
  public:
    ~TextOutput() { ShowCollected(); }

    void Out(const std::string& text) { Write(STD_OUTPUT_HANDLE, text); }
    void Err(const std::string& text) {
        Write(STD_ERROR_HANDLE, text);
        error_ = true;
    }

  private:
    void Write(DWORD which, const std::string& text) {
        HANDLE handle = ::GetStdHandle(which);
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
            handle = ParentConsole();
        }
        if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
            collected_ += text;
            return;
        }
        DWORD mode = 0;
        if (::GetConsoleMode(handle, &mode)) {
            const std::wstring wide = WideFromUtf8(text);
            DWORD written = 0;
            ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                            nullptr);
        } else {
            DWORD written = 0;
            ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        }
    }

    HANDLE ParentConsole() {
        if (!triedConsole_) {
            triedConsole_ = true;
            if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
                console_ = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
            }
        }
        return console_;
    }

    void ShowCollected() {
        if (!collected_.empty()) {
            ::MessageBoxW(nullptr, WideFromUtf8(collected_).c_str(), L"Norvessa",
                          error_ ? MB_ICONERROR : MB_ICONINFORMATION);
        }
    }

    bool triedConsole_ = false;
    HANDLE console_ = INVALID_HANDLE_VALUE;
    std::string collected_;
    bool error_ = false;
};

std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; words != nullptr && i < count; ++i) {
        arguments.push_back(Utf8FromWide(words[i]));
    }
    ::LocalFree(words);
    return arguments;
}

void InstallLog(bool verbose) {
    SetDebugLogging(verbose);
    SetLogSink([verbose](LogLevel level, const std::string& message) {
        if (level == LogLevel::Debug && !verbose) {
            return;
        }
        const std::string line = "norvessa: " + message + "\n";
        ::OutputDebugStringW(WideFromUtf8(line).c_str());
        // stderr only when the caller gave one (a console or a redirection).
        HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
        if (err != nullptr && err != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
    });
}

std::string WhyNotOpened(const std::wstring& path) {
    HANDLE handle =
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return "cannot open: " + WindowsErrorText(::GetLastError());
    }
    ::CloseHandle(handle);
    return "HID description refused";
}

InterfaceReport DescribeInterface(const std::wstring& path) {
    InterfaceReport report;
    report.path = Utf8FromWide(path);
    const std::unique_ptr<DeviceListEntry> entry = DeviceListEntry::Open(path);
    if (!entry) {
        report.failure = WhyNotOpened(path);
        // Where it sits is known without opening it.
        report.usbPort = Utf8FromWide(DeviceInstancePath(path));
        return report;
    }
    InterfaceIdentity identity = entry->identity();
    report.vendorId = identity.vendorId;
    report.productId = identity.productId;
    report.productName = std::move(identity.productName);
    report.serialNumber = std::move(identity.serialNumber);
    report.usbPort = std::move(identity.usbPort);
    RecordMatch(report, MatchController(true, entry->caps(), entry->outputTable()), entry->caps(),
                entry->outputTable());
    return report;
}

int ListInterfaces(TextOutput& output) {
    const std::optional<std::vector<std::wstring>> paths = EnumerateHidInterfacePaths();
    if (!paths) {
        output.Err("the HID interfaces could not be listed\n");
        return EXIT_FAILED;
    }
    bool found = false;
    for (const std::wstring& path : *paths) {
        const InterfaceReport report = DescribeInterface(path);
        output.Out(FormatInterfaceLine(report) + "\n");
        found = found || report.match == MatchResult::Controller;
    }
    if (paths->empty()) {
        output.Out("no HID interface present\n");
    }
    return found ? EXIT_DONE : EXIT_FAILED;
}

// The reset exchange needs the controller state that the main dialog's link keeps; a
// message-only window stands in for the dialog.
int Reset(TextOutput& output) {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"Norvessa", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    nullptr, nullptr);
    const bool found = window != nullptr && SetUpControllerLink(window) && g_currentEntry;
    int code = EXIT_NO_CONTROLLER;
    if (!found) {
        output.Err("no controller found\n");
    } else {
        const ResetReport report = ReportReset(RunResetExchange());
        if (!report.out.empty()) {
            output.Out(report.out);
        }
        if (!report.err.empty()) {
            output.Err(report.err);
        }
        code = report.exitCode;
    }
    if (window != nullptr) {
        ReleaseControllerOnDestroy();
        ::DestroyWindow(window);
    }
    return code;
}

// Ends the main dialog in order, as Enter does.
void EndMainDialog(HWND mainWindow) {
    ::PostMessageW(mainWindow, WM_COMMAND, IDOK, 0);
}

}  // namespace

ResetReport ReportReset(ResetOutcome outcome) {
    switch (outcome) {
        case ResetOutcome::Succeeded:
            return {EXIT_DONE, "reset succeeded\n", ""};
        case ResetOutcome::Failed:
            return {EXIT_FAILED, "reset failed\n", ""};
        case ResetOutcome::NoReply:
            return {EXIT_NO_REPLY, "no reply\n", ""};
        case ResetOutcome::NoMessage:
            return {EXIT_NO_VERDICT, "no verdict\n", ""};
        case ResetOutcome::ControllerGone:
            return {EXIT_NO_CONTROLLER, "", "the controller went away\n"};
        case ResetOutcome::NotResponding:
            return {EXIT_NO_REPLY, "", "the controller is not responding\n"};
    }
    return {EXIT_FAILED, "", "unknown reset outcome\n"};
}

namespace {

// Runs the check; the exit code, or none when it asked for the calibration again.
std::optional<int> CheckAndReport(HWND owner, const CheckRequest& request) {
    const CheckRunOutcome outcome = RunCheck(owner, request);
    if (outcome.end == CheckEnd::CalibrateAgain) {
        return std::nullopt;
    }
    if (request.reportPath && outcome.result && !outcome.reportWritten) {
        // A caller that asked for the report must not take its absence for success.
        TextOutput().Err("norvessa: the report could not be written to " + *request.reportPath +
                         "\n");
        return EXIT_FAILED;
    }
    return outcome.exitCode;
}

}  // namespace

int CheckAtStart(const CheckRequest& request) {
    // Without a controller, "Calibrate again" is not offered: the check ends with its verdict.
    return CheckAndReport(nullptr, request).value_or(EXIT_CHECK_CANCELLED);
}

MainDialogOptions CalibrateAtStart(int points, std::shared_ptr<int> exitCode,
                                   MainDialogOptions options, std::optional<CheckRequest> check) {
    std::function<BOOL(HWND)> setUpLink = std::move(options.setUpControllerLink);
    if (!setUpLink) {
        setUpLink = [](HWND mainWindow) { return SetUpControllerLink(mainWindow); };
    }
    options.setUpControllerLink = [points, exitCode, setUpLink](HWND mainWindow) {
        const BOOL result = setUpLink(mainWindow);
        if (g_currentEntry == nullptr) {
            TextOutput().Err("no controller found\n");
            *exitCode = EXIT_NO_CONTROLLER;
            EndMainDialog(mainWindow);
        } else {
            ::PostMessageW(mainWindow, WM_START_CALIBRATION, 0, points);
        }
        return result;
    };
    options.calibrationEnded = [exitCode, check, points](HWND mainWindow, bool succeeded,
                                                         bool retrying, bool notResponding) {
        if (retrying) {
            return;  // the same calibration runs again
        }
        if (notResponding) {
            TextOutput().Err("the controller is not responding\n");
            *exitCode = EXIT_NO_REPLY;
        } else if (succeeded && check) {
            CheckRequest request = *check;
            request.calibration = ReportCalibration{points, true};
            const std::optional<int> checked = CheckAndReport(mainWindow, request);
            if (!checked) {
                ::PostMessageW(mainWindow, WM_START_CALIBRATION, 0, points);
                return;
            }
            *exitCode = *checked;
        } else {
            *exitCode = succeeded ? EXIT_DONE : EXIT_FAILED;
        }
        EndMainDialog(mainWindow);
    };
    return options;
}

CommandLineOutcome RunCommandLine() {
    const std::vector<std::string> arguments = Arguments();
    if (arguments.empty()) {
        InstallLog(false);
        return {};
    }
    TextOutput output;
    const ParseOutcome parsed = ParseCommandLine(arguments, ToolkitOptions::Refused);
    if (!parsed.commandLine) {
        output.Err("norvessa: " + parsed.error + "\n" + UsageText("norvessa"));
        return {EXIT_USAGE};
    }
    const CommandLine& line = *parsed.commandLine;
    InstallLog(line.verbose);
    switch (line.command) {
        case Command::Help:
            output.Out(UsageText("norvessa"));
            return {EXIT_DONE};
        case Command::Version:
            output.Out(VersionText());
            return {EXIT_DONE};
        case Command::List:
            return {ListInterfaces(output)};
        case Command::Reset:
            return {Reset(output)};
        case Command::Calibrate:
        case Command::Check:
        case Command::OpenDialog:
            break;
    }
    if (line.screen) {
        // Checked before any window opens: every calibration then covers that monitor.
        const std::vector<std::string> names = MonitorNames();
        const std::optional<std::size_t> index = FindScreen(*line.screen, names);
        if (!index) {
            std::string known;
            for (std::size_t i = 0; i < names.size(); ++i) {
                known += (i == 0 ? "" : ", ") + std::to_string(i) + " " + names[i];
            }
            output.Err("norvessa: no screen '" + *line.screen + "' (screens: " + known + ")\n");
            return {EXIT_USAGE};
        }
        SetChosenMonitor(index);
    }
    CommandLineOutcome outcome{std::nullopt, line.calibrationPoints, std::nullopt};
    if (line.check) {
        CheckRequest request;
        request.options.points = line.checkPoints;
        if (line.tolerance) {
            request.options.tolerance = ParseTolerance(*line.tolerance);
            if (!request.options.tolerance) {
                output.Err("norvessa: --tolerance takes N pixels or Nmm, not '" + *line.tolerance +
                           "'\n");
                return {EXIT_USAGE};
            }
        }
        request.reportPath = line.reportPath;
        outcome.check = request;
    }
    return outcome;
}

}  // namespace norvessa::win32
