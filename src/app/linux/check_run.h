#pragma once
// From a finished check window to the report a technician files: the monitor as Qt's screen
// describes it, the current controller's identity, and the report written to a file or to
// standard output.

#include <optional>
#include <string>

#include "app/check_report.h"
#include "calibration/linux/check_window.h"
#include "controller/controller_link.h"

class QScreen;

namespace norvessa::ui {

// What a check is asked for: from the menu the defaults, from the command line its options.
struct CheckRequest {
    int points = DEFAULT_CHECK_POINTS;
    std::optional<Tolerance> tolerance;
};

ReportMonitor ReportMonitorOf(const QScreen& screen, const CheckedMonitor& monitor);
// None without a controller.
std::optional<ReportController> ReportControllerOf(const OpenedInterface* controller);
// None when the check was not measured to its end (cancelled, timed out, never started).
std::optional<CheckReport> ReportOf(const CheckOutcome& outcome, const OpenedInterface* controller,
                                    std::optional<ReportCalibration> calibration);
// `path` "-" is standard output. False with `error` set when the file cannot be written.
bool WriteReport(const std::string& text, const std::string& path, std::string* error);

}  // namespace norvessa::ui
