#pragma once
// Runs a calibration check from the main dialog or the command line: the check window, then,
// when asked, the report of its last check (a file, or standard output for "-"), and the exit
// code the command line ends with.

#include <windows.h>

#include <optional>
#include <string>

#include "app/check_report.h"
#include "calibration/win32/check_dialog.h"

namespace norvessa::win32 {

struct CheckRequest {
    CheckOptions options;
    std::optional<ReportCalibration> calibration;  // the calibration the check follows
    std::optional<std::string> reportPath;         // "-": standard output
};

struct CheckRunOutcome {
    CheckEnd end = CheckEnd::NotStarted;
    std::optional<CheckResult> result;
    // 0 passed, EXIT_CHECK_FAILED, EXIT_CHECK_CANCELLED (cancelled, timed out, not started).
    int exitCode = 0;
    bool reportWritten = false;
};

// The exit code of a check that ended so, with that result.
int CheckExitCode(CheckEnd end, const std::optional<CheckResult>& result);

// The report of the check `dialog` ran last; none when no check reached its picture.
std::optional<CheckReport> ReportOfCheck(const CCheckDialog& dialog,
                                         const std::optional<ReportCalibration>& calibration);

// Writes `text` to `path`, or to standard output for "-"; false when it could not.
bool WriteReport(const std::string& path, const std::string& text);

// The check window owned by `owner` (null: none, as --check alone runs it). With a controller
// current, its picture offers "Calibrate again".
CheckRunOutcome RunCheck(HWND owner, CheckRequest request);

}  // namespace norvessa::win32
