#include "app/win32/check_runner.h"

#include <chrono>
#include <vector>

#include "app/command_line.h"
#include "controller/win32/controller_state.h"
#include "controller/win32/wide_text.h"
#include "version.h"

namespace norvessa::win32 {

namespace {

std::string HostName() {
    DWORD length = 0;
    GetComputerNameExW(ComputerNameDnsHostname, nullptr, &length);
    std::wstring name(length, L'\0');
    if (length == 0 || !GetComputerNameExW(ComputerNameDnsHostname, name.data(), &length)) {
        return {};
    }
    name.resize(length);
    return Utf8FromWide(name);
}

std::optional<ReportController> CurrentController() {
    if (g_currentEntry == nullptr) {
        return std::nullopt;
    }
    const InterfaceIdentity identity = g_currentEntry->identity();
    return ReportController{g_currentEntry->path(), identity.vendorId,     identity.productId,
                            identity.productName,   identity.serialNumber, identity.usbPort};
}

bool WriteAll(HANDLE handle, const std::string& text) {
    DWORD written = 0;
    return WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

int CheckExitCode(CheckEnd end, const std::optional<CheckResult>& result) {
    if (end == CheckEnd::Done && result) {
        return result->measurement.passed ? EXIT_DONE : EXIT_CHECK_FAILED;
    }
    return EXIT_CHECK_CANCELLED;
}

std::optional<CheckReport> ReportOfCheck(const CCheckDialog& dialog,
                                         const std::optional<ReportCalibration>& calibration) {
    if (!dialog.result()) {
        return std::nullopt;
    }
    CheckReport report;
    report.toolVersion = NORVESSA_VERSION_STRING;
    report.time = std::chrono::system_clock::now();
    report.hostName = HostName();
    report.controller = CurrentController();
    report.monitor.index = dialog.monitor().index;
    report.monitor.name = dialog.details().name;
    report.monitor.size = CheckedMonitor{dialog.monitor().area.width, dialog.monitor().area.height,
                                         dialog.details().millimetres};
    report.monitor.scale = dialog.details().scale;
    report.monitor.rotationDegrees = dialog.details().rotationDegrees;
    report.calibration = calibration;
    report.check = dialog.result()->measurement;
    report.diagnosis = dialog.result()->diagnosis;
    report.diagnosisText = dialog.diagnosisText();
    return report;
}

bool WriteReport(const std::string& path, const std::string& text) {
    if (path == "-") {
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        return out != nullptr && out != INVALID_HANDLE_VALUE && WriteAll(out, text);
    }
    HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool written = WriteAll(file, text);
    CloseHandle(file);
    return written;
}

CheckRunOutcome RunCheck(HWND owner, CheckRequest request) {
    request.options.offerCalibrateAgain = g_currentEntry != nullptr;
    CCheckDialog dialog(owner, request.options);
    CheckRunOutcome outcome;
    outcome.end = dialog.Run();
    outcome.result = dialog.result();
    outcome.exitCode = CheckExitCode(outcome.end, outcome.result);
    if (request.reportPath) {
        if (const std::optional<CheckReport> report = ReportOfCheck(dialog, request.calibration)) {
            outcome.reportWritten = WriteReport(*request.reportPath, FormatCheckReport(*report));
        }
    }
    return outcome;
}

}  // namespace norvessa::win32
