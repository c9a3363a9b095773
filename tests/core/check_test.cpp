// The pure parts of a calibration check: where its points lie, the error and tolerance
// arithmetic, and the fitted map's diagnosis.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "calibration/check_diagnosis.h"
#include "calibration/check_error.h"
#include "calibration/check_points.h"

namespace norvessa {
namespace {

TEST(CheckPoints, KeepClearOfEveryTargetOnEveryScreen) {
    const std::pair<std::int32_t, std::int32_t> screens[] = {
        {1920, 1080}, {1080, 1920}, {1024, 768}, {800, 480},
        {3840, 2160}, {1280, 1024}, {320, 240}};
    for (const auto& [width, height] : screens) {
        for (const int count : {5, 9}) {
            const auto points = LayoutCheckPoints(count, width, height);
            ASSERT_TRUE(points) << width << "x" << height << " " << count;
            ASSERT_EQ(points->size(), static_cast<std::size_t>(count));
            const double clearance = 0.05 * std::min(width, height);
            for (const PixelPoint& point : *points) {
                EXPECT_GE(point.x, 0);
                EXPECT_LT(point.x, width);
                EXPECT_GE(point.y, 0);
                EXPECT_LT(point.y, height);
                EXPECT_GE(*DistanceToNearestTarget(point, width, height), clearance)
                    << width << "x" << height << " at " << point.x << "," << point.y;
            }
        }
    }
    // The 9-point grid reaches to about a tenth of the edges.
    const auto nine = LayoutCheckPoints(9, 1920, 1080);
    EXPECT_NEAR(nine->front().x, 0.1 * 1920, 0.05 * 1920);
    EXPECT_NEAR(nine->back().y, 0.9 * 1080, 0.05 * 1080);
    EXPECT_FALSE(LayoutCheckPoints(4, 1920, 1080));
    EXPECT_FALSE(LayoutCheckPoints(5, 39, 1080));
    EXPECT_FALSE(LayoutCheckPoints(9, 1920, 60));  // no room between the targets' rows
}

TEST(CheckTolerance, ParsesPixelsAndMillimetresOnly) {
    struct Case {
        const char* text;
        std::optional<double> value;
        ToleranceUnit unit;
    };
    const Case cases[] = {
        {"22", 22, ToleranceUnit::Pixels},
        {"1.5mm", 1.5, ToleranceUnit::Millimetres},
        {"0.5", 0.5, ToleranceUnit::Pixels},
        {"0", std::nullopt, ToleranceUnit::Pixels},
        {"-3", std::nullopt, ToleranceUnit::Pixels},
        {"mm", std::nullopt, ToleranceUnit::Pixels},
        {"2 mm", std::nullopt, ToleranceUnit::Pixels},
        {"1e3", std::nullopt, ToleranceUnit::Pixels},
        {"inf", std::nullopt, ToleranceUnit::Pixels},
        {"", std::nullopt, ToleranceUnit::Pixels},
        {"3px", std::nullopt, ToleranceUnit::Pixels},
        {"1.2.3", std::nullopt, ToleranceUnit::Pixels},
        {".5", 0.5, ToleranceUnit::Pixels},
        {"2.35mm", 2.35, ToleranceUnit::Millimetres},
        {".", std::nullopt, ToleranceUnit::Pixels},
    };
    for (const Case& c : cases) {
        const std::optional<Tolerance> parsed = ParseTolerance(c.text);
        ASSERT_EQ(parsed.has_value(), c.value.has_value()) << c.text;
        if (parsed) {
            EXPECT_DOUBLE_EQ(parsed->value, *c.value) << c.text;
            EXPECT_EQ(parsed->unit, c.unit) << c.text;
        }
    }
    EXPECT_NEAR(DefaultTolerance({1920, 1080}).value, 22.03, 0.01);
}

TEST(CheckMeasurement, ErrorsInPixelsAndMillimetresAgainstTheTolerance) {
    // 0.25 mm a pixel across, 0.5 mm down: non-square pixels keep their own pitch.
    const CheckedMonitor monitor{1000, 500, MonitorMillimetres{250, 250}};
    const std::vector<PixelPoint> targets{{100, 100}, {900, 100}, {500, 250}, {900, 400}};
    const std::vector<PixelPoint> touches{{103, 104}, {900, 100}, {500, 240}, {1930, 400}};
    const auto pixels = MeasureCheck(targets, touches, monitor, {20, ToleranceUnit::Pixels});
    ASSERT_TRUE(pixels);
    EXPECT_DOUBLE_EQ(pixels->points[0].pixels, 5.0);
    EXPECT_DOUBLE_EQ(*pixels->points[0].millimetres, std::hypot(0.75, 2.0));
    EXPECT_DOUBLE_EQ(*pixels->points[2].millimetres, 5.0);
    EXPECT_EQ(pixels->largest, 3u);  // the touch that landed on the next monitor
    EXPECT_DOUBLE_EQ(pixels->meanPixels, (5.0 + 0 + 10 + 1030) / 4);
    EXPECT_FALSE(pixels->passed);
    EXPECT_TRUE(pixels->points[2].within);
    EXPECT_FALSE(pixels->points[3].within);
    EXPECT_EQ(RegionOf(targets[pixels->largest], 1000, 500), ScreenRegion::BottomRight);

    // In millimetres the 10 px slip down (5 mm) is beyond 4 mm, the 5 px one (2.1 mm) is not.
    const std::vector<PixelPoint> near(touches.begin(), touches.end() - 1);
    const std::vector<PixelPoint> nearTargets(targets.begin(), targets.end() - 1);
    const auto mm = MeasureCheck(nearTargets, near, monitor, {4, ToleranceUnit::Millimetres});
    EXPECT_TRUE(mm->points[0].within);
    EXPECT_FALSE(mm->points[2].within);
    EXPECT_NEAR(*mm->meanMillimetres, (std::hypot(0.75, 2.0) + 5.0) / 3, 1e-9);

    EXPECT_FALSE(MeasureCheck(targets, touches, {1000, 500}, {4, ToleranceUnit::Millimetres}));
    EXPECT_FALSE(MeasureCheck(targets, near, monitor, {20, ToleranceUnit::Pixels}));
    EXPECT_FALSE(MeasureCheck({}, {}, monitor, {20, ToleranceUnit::Pixels}).has_value());
}

// Touches made from the check points by a mapping gone wrong, with +-2 px of noise.
struct DiagnosisCase {
    const char* name;
    std::vector<PixelRect> monitors;  // the checked one is the first
    std::function<std::pair<double, double>(double u, double v)> touchInShares;
    DiagnosisKind expected;
    std::optional<std::size_t> otherMonitor;
};

class CheckDiagnosis : public ::testing::TestWithParam<DiagnosisCase> {};

TEST_P(CheckDiagnosis, NamesTheMapping) {
    const DiagnosisCase& c = GetParam();
    const PixelRect& monitor = c.monitors.front();
    const auto targets = LayoutCheckPoints(9, monitor.width, monitor.height);
    ASSERT_TRUE(targets);
    std::vector<PixelPoint> touches;
    int noise = 0;
    for (const PixelPoint& target : *targets) {
        const auto [u, v] = c.touchInShares(static_cast<double>(target.x) / monitor.width,
                                            static_cast<double>(target.y) / monitor.height);
        noise = (noise + 3) % 5;
        touches.push_back({static_cast<std::int32_t>(std::lround(u * monitor.width)) + noise - 2,
                           static_cast<std::int32_t>(std::lround(v * monitor.height)) + 2 - noise});
    }
    const double tolerance = DefaultTolerance({monitor.width, monitor.height}).value;
    const Diagnosis diagnosis = Diagnose(*targets, touches, c.monitors, 0, tolerance);
    EXPECT_EQ(diagnosis.kind, c.expected);
    EXPECT_EQ(diagnosis.otherMonitor, c.otherMonitor);
    ASSERT_TRUE(diagnosis.fit);
}

using Shares = std::pair<double, double>;
const PixelRect FULL_HD{0, 0, 1920, 1080};
const PixelRect RIGHT_OF_IT{1920, 0, 1920, 1080};
const PixelRect BELOW{0, 1080, 1920, 1080};

INSTANTIATE_TEST_SUITE_P(
    Mappings, CheckDiagnosis,
    ::testing::Values(
        DiagnosisCase{"Identity",
                      {FULL_HD},
                      [](double u, double v) {
                          return Shares{u, v};
                      },
                      DiagnosisKind::WithinTolerance},
        DiagnosisCase{"Offset",
                      {FULL_HD},
                      [](double u, double v) {
                          return Shares{u + 0.03, v + 0.04};
                      },
                      DiagnosisKind::NoPattern},
        DiagnosisCase{"Scale",
                      {FULL_HD},
                      [](double u, double v) {
                          return Shares{0.5 + 1.1 * (u - 0.5), v};
                      },
                      DiagnosisKind::NoPattern},
        DiagnosisCase{"Swap",
                      {FULL_HD},
                      [](double u, double v) {
                          return Shares{v, u};
                      },
                      DiagnosisKind::SwappedAxes},
        DiagnosisCase{"MirrorX",
                      {FULL_HD},
                      [](double u, double v) {
                          return Shares{1 - u, v};
                      },
                      DiagnosisKind::MirroredX},
        DiagnosisCase{"MirrorY",
                      {FULL_HD},
                      [](double u, double v) {
                          return Shares{u, 1 - v};
                      },
                      DiagnosisKind::MirroredY},
        DiagnosisCase{"Rotate90",
                      {FULL_HD},
                      [](double u, double v) {
                          return Shares{1 - v, u};
                      },
                      DiagnosisKind::Rotated90},
        DiagnosisCase{"Rotate180",
                      {FULL_HD},
                      [](double u, double v) {
                          return Shares{1 - u, 1 - v};
                      },
                      DiagnosisKind::Rotated180},
        DiagnosisCase{"Rotate270",
                      {FULL_HD},
                      [](double u, double v) {
                          return Shares{v, 1 - u};
                      },
                      DiagnosisKind::Rotated270},
        DiagnosisCase{"SideBySideWholeDesktop",
                      {FULL_HD, RIGHT_OF_IT},
                      [](double u, double v) {
                          return Shares{2 * u, v};
                      },
                      DiagnosisKind::MappedToDesktop},
        DiagnosisCase{"SideBySideOtherMonitor",
                      {FULL_HD, RIGHT_OF_IT},
                      [](double u, double v) {
                          return Shares{u + 1, v};
                      },
                      DiagnosisKind::MappedToOtherMonitor,
                      1},
        DiagnosisCase{"AboveWholeDesktop",
                      {BELOW, FULL_HD},
                      [](double u, double v) {
                          return Shares{u, 2 * v - 1};
                      },
                      DiagnosisKind::MappedToDesktop},
        DiagnosisCase{"AboveOtherMonitor",
                      {BELOW, FULL_HD},
                      [](double u, double v) {
                          return Shares{u, v - 1};
                      },
                      DiagnosisKind::MappedToOtherMonitor,
                      1},
        DiagnosisCase{
            "Scatter",
            {FULL_HD},
            [](double u, double v) {
                return Shares{u + 0.05 * std::sin(40 * u * v), v + 0.05 * std::cos(31 * u)};
            },
            DiagnosisKind::NoPattern}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(CheckFit, RecoversAnAffineMapAndRefusesCollinearPoints) {
    const std::vector<PixelPoint> targets{{100, 100}, {900, 120}, {500, 700}, {200, 650}};
    std::vector<PixelPoint> touches;
    for (const PixelPoint& t : targets) {
        touches.push_back({static_cast<std::int32_t>(0.9 * t.x + 0.1 * t.y + 30),
                           static_cast<std::int32_t>(-0.05 * t.x + 1.2 * t.y - 40)});
    }
    const auto fit = FitAffine(targets, touches);
    ASSERT_TRUE(fit);
    EXPECT_NEAR(fit->map.a, 0.9, 0.01);
    EXPECT_NEAR(fit->map.b, 0.1, 0.01);
    EXPECT_NEAR(fit->map.e, 1.2, 0.01);
    EXPECT_NEAR(fit->map.f, -40, 2);
    EXPECT_LT(fit->rmsResidual, 1.0);
    EXPECT_FALSE(FitAffine({{0, 0}, {10, 10}, {20, 20}}, {{0, 0}, {10, 10}, {20, 20}}));
    EXPECT_FALSE(FitAffine({{0, 0}, {10, 0}}, {{0, 0}, {10, 0}}));
}

}  // namespace
}  // namespace norvessa
