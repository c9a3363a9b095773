// The check's report: every documented key, nulls where nothing is known, and a round trip
// through the JSON parser.

#include "app/check_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace norvessa {
namespace {

using nlohmann::json;

CheckReport SampleReport() {
    CheckReport report;
    report.toolVersion = "1.0.0.1";
    report.time = std::chrono::system_clock::from_time_t(1796785445);  // 2026-12-09T03:04:05Z
    report.hostName = "kiosk-7";
    report.controller =
        ReportController{"/dev/hidraw3", 0x1234, 0xABCD, "Touch\xFF", "SN1", "1-2.4"};
    report.monitor = {1, "HDMI-1", {1000, 500, MonitorMillimetres{250, 250}}, 1.5, 90};
    report.calibration = ReportCalibration{9, true};
    const std::vector<PixelPoint> targets{{100, 100}, {900, 100}, {500, 400}};
    const std::vector<PixelPoint> touches{{103, 104}, {900, 100}, {500, 410}};
    report.check = *MeasureCheck(targets, touches, report.monitor.size, {8, ToleranceUnit::Pixels});
    report.diagnosis = Diagnose(targets, touches, {{0, 0, 1000, 500}}, 0, 8);
    report.diagnosisText = "calibrate again with more points";
    return report;
}

TEST(CheckReport, CarriesEveryKeyAndRoundTrips) {
    const std::string text = FormatCheckReport(SampleReport());
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const json parsed = json::parse(text);  // throws on anything that is not JSON
    EXPECT_EQ(parsed["tool"]["name"], "norvessa");
    EXPECT_EQ(parsed["tool"]["version"], "1.0.0.1");
    EXPECT_EQ(parsed["time"], "2026-12-09T03:04:05Z");
    EXPECT_EQ(parsed["host"], "kiosk-7");
    EXPECT_EQ(parsed["controller"]["vendor_id"], 0x1234);
    EXPECT_EQ(parsed["controller"]["product"], "Touch\xEF\xBF\xBD");  // invalid UTF-8 replaced
    EXPECT_EQ(parsed["controller"]["usb_port"], "1-2.4");
    EXPECT_EQ(parsed["monitor"]["pixels"]["width"], 1000);
    EXPECT_EQ(parsed["monitor"]["millimetres"]["height"], 250.0);
    EXPECT_EQ(parsed["monitor"]["rotation"], 90);
    EXPECT_EQ(parsed["calibration"]["verdict"], "success");
    const json& check = parsed["check"];
    ASSERT_EQ(check["points"].size(), 3u);
    EXPECT_EQ(check["points"][0]["touch"]["y"], 104);
    EXPECT_DOUBLE_EQ(check["points"][0]["error_px"].get<double>(), 5.0);
    EXPECT_DOUBLE_EQ(check["largest_error_px"].get<double>(), 10.0);
    EXPECT_DOUBLE_EQ(check["largest_error_mm"].get<double>(), 5.0);
    EXPECT_EQ(check["tolerance"]["unit"], "px");
    EXPECT_EQ(check["result"], "fail");
    EXPECT_EQ(parsed["diagnosis"]["kind"], "no-pattern");
    EXPECT_TRUE(parsed["diagnosis"]["affine_map"].contains("rms_residual_px"));
    EXPECT_TRUE(parsed["diagnosis"]["other_monitor"].is_null());
}

TEST(CheckReport, UnknownThingsAreNull) {
    CheckReport report = SampleReport();
    report.controller.reset();
    report.calibration.reset();
    report.monitor.size.millimetres.reset();
    report.check =
        *MeasureCheck({{100, 100}}, {{101, 100}}, report.monitor.size, {8, ToleranceUnit::Pixels});
    const json parsed = json::parse(FormatCheckReport(report));
    EXPECT_TRUE(parsed["controller"].is_null());
    EXPECT_TRUE(parsed["calibration"].is_null());
    EXPECT_TRUE(parsed["monitor"]["millimetres"].is_null());
    EXPECT_TRUE(parsed["check"]["points"][0]["error_mm"].is_null());
    EXPECT_TRUE(parsed["check"]["mean_error_mm"].is_null());
    EXPECT_EQ(parsed["check"]["result"], "pass");
}

}  // namespace
}  // namespace norvessa
