#include "app/check_report.h"

#include <ctime>
#include <nlohmann/json.hpp>

namespace norvessa {
namespace {

using nlohmann::ordered_json;

ordered_json PointJson(PixelPoint point) {
    return {{"x", point.x}, {"y", point.y}};
}

ordered_json OptionalNumber(const std::optional<double>& value) {
    return value ? ordered_json(*value) : ordered_json(nullptr);
}

ordered_json ControllerJson(const std::optional<ReportController>& controller) {
    if (!controller) {
        return nullptr;
    }
    return {{"path", controller->path},
            {"vendor_id", controller->vendorId},
            {"product_id", controller->productId},
            {"product", controller->product},
            {"serial_number", controller->serialNumber},
            {"usb_port", controller->usbPort}};
}

ordered_json MonitorJson(const ReportMonitor& monitor) {
    ordered_json millimetres = nullptr;
    if (monitor.size.millimetres) {
        millimetres = {{"width", monitor.size.millimetres->width},
                       {"height", monitor.size.millimetres->height}};
    }
    return {{"index", monitor.index},
            {"name", monitor.name},
            {"pixels", {{"width", monitor.size.width}, {"height", monitor.size.height}}},
            {"millimetres", millimetres},
            {"scale", monitor.scale},
            {"rotation", monitor.rotationDegrees}};
}

ordered_json CheckJson(const CheckMeasurement& check) {
    ordered_json points = ordered_json::array();
    for (const PointError& point : check.points) {
        points.push_back({{"target", PointJson(point.target)},
                          {"touch", PointJson(point.touch)},
                          {"error_px", point.pixels},
                          {"error_mm", OptionalNumber(point.millimetres)},
                          {"within", point.within}});
    }
    const bool any = !check.points.empty();
    const bool millimetres = check.tolerance.unit == ToleranceUnit::Millimetres;
    return {{"points", points},
            {"largest_error_px", any ? check.points[check.largest].pixels : 0.0},
            {"largest_error_mm",
             OptionalNumber(any ? check.points[check.largest].millimetres : std::nullopt)},
            {"mean_error_px", check.meanPixels},
            {"mean_error_mm", OptionalNumber(check.meanMillimetres)},
            {"tolerance", {{"value", check.tolerance.value}, {"unit", millimetres ? "mm" : "px"}}},
            {"result", check.passed ? "pass" : "fail"}};
}

ordered_json DiagnosisJson(const Diagnosis& diagnosis, const std::string& text) {
    ordered_json map = nullptr;
    if (diagnosis.fit) {
        const AffineMap& m = diagnosis.fit->map;
        map = {{"a", m.a},
               {"b", m.b},
               {"c", m.c},
               {"d", m.d},
               {"e", m.e},
               {"f", m.f},
               {"rms_residual_px", diagnosis.fit->rmsResidual}};
    }
    ordered_json other = nullptr;
    if (diagnosis.otherMonitor) {
        other = *diagnosis.otherMonitor;
    }
    return {{"kind", DiagnosisKindName(diagnosis.kind)},
            {"text", text},
            {"other_monitor", other},
            {"affine_map", map}};
}

}  // namespace

std::string IsoTimeUtc(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    // gmtime is not thread-safe: work on a copy at once.
    if (const std::tm* shared = std::gmtime(&seconds)) {
        utc = *shared;
    }
    char text[sizeof "2026-12-09T03:04:05Z"];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

const char* DiagnosisKindName(DiagnosisKind kind) {
    switch (kind) {
        case DiagnosisKind::WithinTolerance:
            return "within-tolerance";
        case DiagnosisKind::MappedToDesktop:
            return "mapped-to-desktop";
        case DiagnosisKind::MappedToOtherMonitor:
            return "mapped-to-other-monitor";
        case DiagnosisKind::SwappedAxes:
            return "swapped-axes";
        case DiagnosisKind::MirroredX:
            return "mirrored-x";
        case DiagnosisKind::MirroredY:
            return "mirrored-y";
        case DiagnosisKind::Rotated90:
            return "rotated-90";
        case DiagnosisKind::Rotated180:
            return "rotated-180";
        case DiagnosisKind::Rotated270:
            return "rotated-270";
        case DiagnosisKind::NoPattern:
            break;
    }
    return "no-pattern";
}

std::string FormatCheckReport(const CheckReport& report) {
    ordered_json calibration = nullptr;
    if (report.calibration) {
        calibration = {{"point_count", report.calibration->pointCount},
                       {"verdict", report.calibration->succeeded ? "success" : "failure"}};
    }
    const ordered_json json = {
        {"tool", {{"name", "norvessa"}, {"version", report.toolVersion}}},
        {"time", IsoTimeUtc(report.time)},
        {"host", report.hostName},
        {"controller", ControllerJson(report.controller)},
        {"monitor", MonitorJson(report.monitor)},
        {"calibration", calibration},
        {"check", CheckJson(report.check)},
        {"diagnosis", DiagnosisJson(report.diagnosis, report.diagnosisText)},
    };
    // Names and texts may hold anything a device or a locale says: invalid UTF-8 is replaced,
    // never allowed to abort the report.
    return json.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace norvessa
