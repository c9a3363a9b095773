#pragma once
// The report of a calibration check, for a technician to file: one JSON object with stable
// keys (tool, time, host, controller, monitor, calibration, check, diagnosis). The keys and an
// example are in docs/check-report.md.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "calibration/check_diagnosis.h"
#include "calibration/check_error.h"

namespace norvessa {

struct ReportController {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string product;
    std::string serialNumber;
    std::string usbPort;  // the USB port path, which tells two identical screens apart
};

struct ReportMonitor {
    std::size_t index = 0;
    std::string name;
    CheckedMonitor size;  // pixels, and millimetres where known
    double scale = 1.0;
    int rotationDegrees = 0;
};

struct ReportCalibration {
    int pointCount = 0;
    bool succeeded = false;
};

struct CheckReport {
    std::string toolVersion;
    std::chrono::system_clock::time_point time;
    std::string hostName;
    std::optional<ReportController> controller;  // null: checked without a controller
    ReportMonitor monitor;
    std::optional<ReportCalibration> calibration;  // null: no calibration in this run
    CheckMeasurement check;
    Diagnosis diagnosis;
    std::string diagnosisText;  // the line the check showed, in the user's language
};

// ISO 8601 in UTC, to the second: "2026-12-09T03:04:05Z".
std::string IsoTimeUtc(std::chrono::system_clock::time_point time);
// The diagnosis kind as the report names it: "within-tolerance", "mapped-to-desktop", ...
const char* DiagnosisKindName(DiagnosisKind kind);
// The report as UTF-8 JSON text, indented, ending in a newline.
std::string FormatCheckReport(const CheckReport& report);

}  // namespace norvessa
