// A check's outcome as the user sees it: the run that takes its touches, the summary line and
// the diagnosis in words, the magnified arrows and the buttons of the picture.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "calibration/calibration_run.h"
#include "calibration/check_picture.h"
#include "calibration/check_result.h"
#include "calibration/check_text.h"
#include "calibration/guidance_text.h"
#include "resource.h"

namespace norvessa {
namespace {

// The English string table's entries the texts use, as the resource script holds them.
std::string English(int id) {
    static const std::map<int, std::string> table = {
        {IDS_CHECK_SUMMARY_MM, "Largest error %1 mm (%2 px), %3; mean %4 mm: %5"},
        {IDS_CHECK_SUMMARY_PX, "Largest error %1 px, %2; mean %3 px: %4"},
        {IDS_CHECK_PASS, "PASS"},
        {IDS_CHECK_FAIL, "FAIL"},
        {IDS_REGION_BOTTOM_RIGHT, "bottom right"},
        {IDS_REGION_CENTRE, "centre"},
        {IDS_DIAG_JOIN, "%1: %2"},
        {IDS_DIAG_OTHER_MONITOR, "mapped to screen %1"},
        {IDS_DIAG_ROTATED, "turned by %1°"},
        {IDS_DIAG_SWAPPED, "swapped"},
        {IDS_REMEDY_RECALIBRATE, "recalibrate"},
        {IDS_REMEDY_WINDOWS, "Tablet PC Settings"},
        {IDS_REMEDY_X11, "map button"},
        {IDS_DIAG_NO_PATTERN, "more points"},
    };
    const auto found = table.find(id);
    // An entry the table lacks shows as "?", which no expected line holds.
    return found == table.end() ? std::string("?") : found->second;
}

TEST(CheckRun, TakesEachLiftOffAsTheTouchAndSendsNothing) {
    const SamplePoint points[] = {{100, 100}, {500, 300}, {900, 600}};
    CalibrationRun run(0);
    ASSERT_TRUE(run.BeginCheck(points, 1024, 768));
    EXPECT_EQ(run.TruncatedPointCount(), 3);
    EXPECT_EQ(ProgressTextId(run), IDS_CHECK_PROGRESS);
    EXPECT_EQ(GuidanceFor(run, std::nullopt).progress->second, 3);
    EXPECT_FALSE(run.AcceptedTouch(0));
    // A refused lift-off is no touch: the hint shows and the point stays.
    run.OnTouchInput(TOUCH_FLAG_DOWN, 100, 100);
    run.OnTouchInput(TOUCH_FLAG_UP, 100, 100);
    EXPECT_EQ(run.lastRefusal(), LiftOffRefusal::TooShort);
    EXPECT_EQ(run.currentTarget(), 0u);
    for (const SamplePoint& p : points) {
        run.OnTouchInput(TOUCH_FLAG_DOWN, p.x + 7, p.y - 4);
        for (int i = 0; i <= SAMPLE_RING_SIZE; ++i) {
            EXPECT_FALSE(run.OnTouchInput(TOUCH_FLAG_MOVE, p.x + 7, p.y - 4).frameToSend);
        }
        const TouchOutcome lift = run.OnTouchInput(TOUCH_FLAG_UP, p.x + 7, p.y - 4);
        EXPECT_TRUE(lift.accepted);
        EXPECT_FALSE(lift.frameToSend);
    }
    EXPECT_TRUE(run.AllTargetsAccepted());
    EXPECT_EQ(run.AcceptedTouch(2), (SamplePoint{907, 596}));
    // A calibration keeps its own counting and its frames.
    CalibrationRun calibration(4);
    ASSERT_EQ(calibration.Begin(1024, 768), LayoutResult::Ok);
    EXPECT_EQ(ProgressTextId(calibration), IDS_GUIDE_PROGRESS);
    calibration.OnTouchInput(TOUCH_FLAG_DOWN, 1, 1);
    for (int i = 0; i <= SAMPLE_RING_SIZE; ++i) {
        calibration.OnTouchInput(TOUCH_FLAG_MOVE, 1, 1);
    }
    EXPECT_TRUE(calibration.OnTouchInput(TOUCH_FLAG_UP, 1, 1).frameToSend);
    EXPECT_FALSE(CalibrationRun(0).BeginCheck({}, 1024, 768));
    EXPECT_FALSE(CalibrationRun(0).BeginCheck(points, 30, 768));
}

TEST(CheckText, SummaryLineInMillimetresOrPixelsWhateverTheLocale) {
    // A decimal comma in the C locale must not reach the line.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const std::vector<PixelPoint> targets = {{960, 540}, {1700, 950}};
    const std::vector<PixelPoint> touches = {{962, 540}, {1717, 950}};
    const CheckedMonitor withSize{1920, 1080, MonitorMillimetres{527, 296}};
    const auto mm = MeasureCheck(targets, touches, withSize, {22, ToleranceUnit::Pixels});
    ASSERT_TRUE(mm);
    EXPECT_EQ(CheckSummaryLine(*mm, 1920, 1080, English),
              "Largest error 4.7 mm (17 px), bottom right; mean 2.6 mm: PASS");
    const auto px = MeasureCheck(targets, touches, {1920, 1080, {}}, {10, ToleranceUnit::Pixels});
    ASSERT_TRUE(px);
    EXPECT_EQ(CheckSummaryLine(*px, 1920, 1080, English),
              "Largest error 17 px, bottom right; mean 10 px: FAIL");
    std::setlocale(LC_NUMERIC, "C");
    // Rounding, the sign, padding of the fraction, and what cannot be shown exactly.
    const std::pair<std::pair<double, int>, const char*> decimals[] = {
        {{-0.04, 1}, "0.0"},
        {{2.25, 1}, "2.3"},
        {{-2.25, 1}, "-2.3"},
        {{17.4, 0}, "17"},
        {{0.5, 0}, "1"},
        {{3.05, 3}, "3.050"},
        {{1.0 / 3, 8}, "0.33333333"},
        {{1e300, 1}, "?"},
        {{std::nan(""), 1}, "?"},
    };
    for (const auto& [input, expected] : decimals) {
        EXPECT_EQ(FormatDecimal(input.first, input.second), expected) << input.first;
    }
    EXPECT_EQ(FillNumbered("%2-%1-%3", {"a", "b"}), "b-a-%3");
}

TEST(CheckText, DiagnosisLineNamesTheCauseAndThePlatformsRemedy) {
    struct Case {
        DiagnosisKind kind;
        MappingRemedy remedy;
        const char* line;
    };
    const Case cases[] = {
        {DiagnosisKind::MappedToOtherMonitor, MappingRemedy::Windows,
         "mapped to screen 1 \"HDMI-1\": Tablet PC Settings"},
        {DiagnosisKind::MappedToOtherMonitor, MappingRemedy::MapButton,
         "mapped to screen 1 \"HDMI-1\": map button"},
        {DiagnosisKind::Rotated270, MappingRemedy::MapButton, "turned by 270°: recalibrate"},
        {DiagnosisKind::SwappedAxes, MappingRemedy::Gnome, "swapped: recalibrate"},
        {DiagnosisKind::NoPattern, MappingRemedy::Windows, "more points"},
    };
    const std::vector<std::string> names = {"0 \"eDP-1\"", "1 \"HDMI-1\""};
    for (const Case& c : cases) {
        Diagnosis diagnosis{c.kind, std::size_t{1}, std::nullopt};
        EXPECT_EQ(DiagnosisLine(diagnosis, c.remedy, names, English), c.line);
    }
}

TEST(CheckResult, MillimetreToleranceAndTheVerdictAgree) {
    const CheckedMonitor monitor{1920, 1080, MonitorMillimetres{480, 270}};  // 4 px per mm
    EXPECT_DOUBLE_EQ(*TolerancePixels({2, ToleranceUnit::Millimetres}, monitor), 8);
    EXPECT_FALSE(TolerancePixels({2, ToleranceUnit::Millimetres}, {1920, 1080, {}}));
    const auto targets = *LayoutCheckPoints(5, 1920, 1080);
    std::vector<PixelPoint> near = targets;
    near[0].x += 7;  // within 2 mm
    const auto passed = EvaluateCheck(targets, near, monitor, {2, ToleranceUnit::Millimetres},
                                      {{0, 0, 1920, 1080}}, 0);
    ASSERT_TRUE(passed);
    EXPECT_TRUE(passed->measurement.passed);
    EXPECT_EQ(passed->diagnosis.kind, DiagnosisKind::WithinTolerance);
    EXPECT_TRUE(passed->diagnosis.fit);  // the report carries the map even when it passed
    // The touch screen mapped onto the monitor to the right: every touch one width over.
    std::vector<PixelPoint> shifted = targets;
    for (PixelPoint& p : shifted) {
        p.x += 1920;
    }
    const auto failed = EvaluateCheck(targets, shifted, monitor, {2, ToleranceUnit::Millimetres},
                                      {{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}}, 0);
    ASSERT_TRUE(failed);
    EXPECT_FALSE(failed->measurement.passed);
    EXPECT_EQ(failed->diagnosis.kind, DiagnosisKind::MappedToOtherMonitor);
    EXPECT_EQ(failed->diagnosis.otherMonitor, std::size_t{1});
}

TEST(CheckPicture, ArrowsStayOnScreenAndButtonsFitInOneRow) {
    PointError error{{100, 500}, {90, 504}};
    error.dx = -10;
    error.dy = 4;
    const CheckArrow inside = ArrowFor(error, 1920, 1080);
    EXPECT_EQ(inside.to, (PixelPoint{50, 520}));
    error.target = {20, 500};  // five times the error would leave on the left
    const CheckArrow cut = ArrowFor(error, 1920, 1080);
    EXPECT_EQ(cut.to, (PixelPoint{0, 508}));
    const CheckButton all[] = {CheckButton::Done, CheckButton::CheckAgain,
                               CheckButton::CalibrateAgain, CheckButton::Clear,
                               CheckButton::MapHere};
    for (const auto& [width, height, scale] :
         {std::tuple{1920, 1080, 1.0}, {800, 480, 1.0}, {3840, 2160, 2.0}, {480, 800, 1.5}}) {
        const CheckPictureLayout layout = LayoutCheckPicture(width, height, scale, all);
        ASSERT_EQ(layout.buttons.size(), 5u);
        for (std::size_t i = 0; i < layout.buttons.size(); ++i) {
            const PixelRect& r = layout.buttons[i].rect;
            EXPECT_GE(r.x, 0);
            EXPECT_LE(r.x + r.width, width);
            EXPECT_LE(r.y + r.height, height);
            EXPECT_GT(r.width, 0);
            if (i > 0) {
                const PixelRect& left = layout.buttons[i - 1].rect;
                EXPECT_LT(left.x + left.width, r.x);
            }
            const PixelPoint middle{r.x + r.width / 2, r.y + r.height / 2};
            EXPECT_EQ(ButtonAt(layout, middle), layout.buttons[i].button);
        }
        EXPECT_FALSE(ButtonAt(layout, {width / 2, height / 2}));
    }
}

}  // namespace
}  // namespace norvessa
