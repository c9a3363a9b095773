// SPDX-License-Identifier: MIT
#pragma once
// The Windows front end of the command line, read before any window exists. Text goes to the
// standard handles when the caller redirected them, else to the console of the parent process
// when there is one, else into a message box.

#include <memory>
#include <optional>
#include <string>

#include "app/win32/check_runner.h"
#include "app/win32/norvessa_dlg.h"
#include "protocol/win32/reset_exchange.h"

namespace norvessa::win32 {

struct CommandLineOutcome {
    // Set when the program ends here with this exit code.
    std::optional<int> exitCode;
    // --calibrate N: the count, else 0.
    int calibrationPoints = 0;
    // --check: alone, or after a successful --calibrate N; its points, tolerance and report.
    std::optional<CheckRequest> check;
};

// What --reset prints for an outcome of the reset exchange (one line, on stdout or on stderr)
// and its exit code: a success verdict 0, a failure verdict 1, silence 3, a reply without a
// verdict 5, a controller that went away 4, one that an earlier write still holds 3.
struct ResetReport {
    int exitCode;
    std::string out;
    std::string err;
};
ResetReport ReportReset(ResetOutcome outcome);

// Reads the command line and does what needs no window. Also puts the log in place (the
// debugger's output, and stderr when there is one).
CommandLineOutcome RunCommandLine();

// The main dialog for --calibrate N: the calibration starts as soon as the dialog is up, and
// the dialog ends with the run; `exitCode` then holds 0 for success, 1 for a failure or a
// cancel, 4 when there was no controller. `options` keeps what it sets otherwise; its link
// set-up, when it has one, stands in for the search of the HID interfaces (the demo's).
// With `check`, a successful calibration is checked at once: the exit code is then the
// check's (0 passed, 6 failed, 7 cancelled or timed out), and its "Calibrate again" runs the
// same calibration again.
MainDialogOptions CalibrateAtStart(int points, std::shared_ptr<int> exitCode,
                                   MainDialogOptions options = {},
                                   std::optional<CheckRequest> check = std::nullopt);

// --check alone: the check window without the main dialog and without a controller; returns
// the exit code. A report that cannot be written is said on stderr.
int CheckAtStart(const CheckRequest& request);

}  // namespace norvessa::win32
