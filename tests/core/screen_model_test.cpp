#include "screen_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "calibration/calibration_run.h"
#include "calibration/target_layout.h"
#include "simulated_controller.h"

namespace norvessa::sim {
namespace {

using namespace std::chrono_literals;

constexpr std::int32_t W = 1024;
constexpr std::int32_t H = 768;

// Three roundings of half a unit each stay in a corrected report: of the readings the fit was
// made from, of the reading itself and of the report. Still 1/20 px on this screen.
constexpr double CORRECTED_TOLERANCE = 1.5;

// What goes wrong with the touches of a run, if anything.
enum class Fault { None, TargetsOnOneLine, OneTouchFarOff, TargetNeverTouched };

struct FitCase {
    const char* name;
    Distortion distortion;
    int count;
    Fault fault = Fault::None;
};

// The largest distance, on either axis, between a glass position and its report, over a
// grid that reaches the screen's edges and runs between the targets.
double WorstReportError(const ScreenModel& model) {
    double worst = 0;
    for (int i = 0; i <= 40; ++i) {
        for (int j = 0; j <= 40; ++j) {
            const GlassPoint glass = GlassAtPixel(W * i / 41.0 + 3, H * j / 41.0 + 3, W, H);
            const DigitizerPoint reported = model.Reported(glass);
            worst =
                std::max({worst, std::fabs(reported.x - glass.x), std::fabs(reported.y - glass.y)});
        }
    }
    return worst;
}

// Touches every target of the layout through `model`, first with a refused tap well off the
// cross, then on it; the fault decides what differs.
void Calibrate(ScreenModel& model, int count, Fault fault) {
    TargetTable table;
    ASSERT_EQ(LayoutTargets(count, W, H, table), LayoutResult::Ok);
    if (fault == Fault::TargetsOnOneLine) {
        // Distinct points across the screen; the rotation's rounding puts them just off a line.
        for (int k = 0; k < count; ++k) {
            table.x[k] = TARGET_MARGIN + k * (W - 2 * TARGET_MARGIN) / (count - 1);
            table.y[k] = H / 2;
        }
    }
    model.BeginCalibration(W, H, count);
    for (int k = 0; k < count; ++k) {
        model.Announce(k + 1, table.x[k], table.y[k]);
        if (fault == Fault::TargetNeverTouched && k == count / 2) {
            continue;
        }
        model.LiftOff(GlassAtPixel(table.x[k] + 300, table.y[k] + 200, W, H));
        const int miss = fault == Fault::OneTouchFarOff && k == count / 2 ? 60 : 0;
        model.LiftOff(GlassAtPixel(table.x[k] + miss, table.y[k], W, H));
    }
}

TEST(ScreenModel, CalibrationCorrectsASoundRunAndRefusesABadOne) {
    const Distortion none{};
    const Distortion offset{.offsetX = -1500, .offsetY = 900};
    const Distortion rotated{.scale = 0.98, .offsetX = 300, .offsetY = -200, .rotationDegrees = 4};
    const FitCase cases[] = {
        {"None4", none, 4},
        {"None9", none, 9},
        {"Default4", DefaultDistortion(), 4},
        {"Default9", DefaultDistortion(), 9},
        {"Offset4", offset, 4},
        {"Offset9", offset, 9},
        {"Rotated4", rotated, 4},
        {"Rotated9", rotated, 9},
        {"OnOneLineUndistorted", none, 4, Fault::TargetsOnOneLine},
        {"OnOneLine", DefaultDistortion(), 4, Fault::TargetsOnOneLine},
        {"FarOff4", DefaultDistortion(), 4, Fault::OneTouchFarOff},
        {"FarOff9", DefaultDistortion(), 9, Fault::OneTouchFarOff},
        {"Untouched", DefaultDistortion(), 9, Fault::TargetNeverTouched},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScreenModel model(c.distortion);
        const bool distorted = c.distortion.scale != 1 || c.distortion.offsetX != 0;
        // Off target before calibrating: at least 5 px somewhere on a distorted screen.
        EXPECT_EQ(WorstReportError(model) > 5.0 * DIGITIZER_RANGE / W, distorted);
        Calibrate(model, c.count, c.fault);
        const bool sound = c.fault == Fault::None;
        EXPECT_EQ(model.Finish(), sound);
        EXPECT_EQ(model.calibrated(), sound);
        if (sound) {
            EXPECT_LE(WorstReportError(model), CORRECTED_TOLERANCE);
        } else {
            const GlassPoint glass = GlassAtPixel(100, 700, W, H);
            const DigitizerPoint raw = model.Raw(glass);
            EXPECT_EQ(model.Reported(glass), (DigitizerPoint{std::clamp(raw.x, 0, DIGITIZER_MAX),
                                                             std::clamp(raw.y, 0, DIGITIZER_MAX)}));
        }
    }

    // A failed run keeps the correction of the sound one before; a reset drops it.
    ScreenModel model;
    Calibrate(model, 9, Fault::None);
    ASSERT_TRUE(model.Finish());
    Calibrate(model, 9, Fault::OneTouchFarOff);
    EXPECT_FALSE(model.Finish());
    EXPECT_LE(WorstReportError(model), CORRECTED_TOLERANCE);
    // A second sound run fits raw readings again, not the corrected ones.
    Calibrate(model, 4, Fault::None);
    EXPECT_TRUE(model.Finish());
    EXPECT_LE(WorstReportError(model), CORRECTED_TOLERANCE);
    model.Reset();
    EXPECT_FALSE(model.calibrated());
    EXPECT_GT(WorstReportError(model), 5.0 * DIGITIZER_RANGE / W);
}

class ControllerWithScreen : public ::testing::Test {
  protected:
    Clock::time_point t0 = Clock::now();
    SimulatedController sim;

    void Write(const CalibrationFrame& frame) { sim.OnOutputReport(frame, t0); }
    // The tool's run with a finger on the glass: a refused tap beside a cross, then a
    // still touch aimed at it (`missPx` to the right on target `missAt`). The tool sees the
    // reported positions, as the display server hands them on.
    void PlayRun(int count, int missAt = -1, std::int32_t missPx = 0) {
        CalibrationRun run(count);
        ASSERT_EQ(run.Begin(W, H), LayoutResult::Ok);
        for (const auto& frame : run.OpeningFrames())
            Write(frame);
        while (!run.AllTargetsAccepted()) {
            const auto k = run.currentTarget();
            const std::int32_t miss = static_cast<int>(k) == missAt ? missPx : 0;
            const GlassPoint aim =
                GlassAtPixel(run.targets().x[k] + miss, run.targets().y[k], W, H);
            const DigitizerPoint seen = sim.ReportedPosition(aim);
            const std::int32_t x = static_cast<std::int32_t>(seen.x * W / DIGITIZER_RANGE);
            const std::int32_t y = static_cast<std::int32_t>(seen.y * H / DIGITIZER_RANGE);
            // Not on the last target: its first lift-off ends the run for the controller.
            if (static_cast<int>(k) + 1 < count) {
                const GlassPoint beside{aim.x + 3000, aim.y};
                sim.FingerDownAt(beside, t0);
                run.OnTouchInput(TOUCH_FLAG_DOWN, x, y);
                run.OnTouchInput(TOUCH_FLAG_UP, x, y);  // too short: refused
                sim.FingerUpAt(beside, t0);
            }
            sim.FingerDownAt(aim, t0);
            run.OnTouchInput(TOUCH_FLAG_DOWN, x, y);
            for (int i = 0; i < 11; ++i)
                run.OnTouchInput(TOUCH_FLAG_MOVE, x, y);
            const TouchOutcome outcome = run.OnTouchInput(TOUCH_FLAG_UP, x, y);
            sim.FingerUpAt(aim, t0);  // the device sees the lift before the tool answers it
            if (outcome.frameToSend)
                Write(*outcome.frameToSend);
        }
    }
    std::vector<ReplyFrame> Drain(Milliseconds at) {
        std::vector<ReplyFrame> out;
        while (auto report = sim.TakeDueReport(t0 + at))
            out.push_back(*report);
        return out;
    }
    double ReportError(PixelPoint pixel) const {
        const GlassPoint glass = GlassAtPixel(pixel.x, pixel.y, W, H);
        const DigitizerPoint reported = sim.ReportedPosition(glass);
        return std::max(std::fabs(reported.x - glass.x), std::fabs(reported.y - glass.y));
    }
};

TEST_F(ControllerWithScreen, VerdictAndCorrectionComeFromTheScreenModel) {
    const PixelPoint probe{300, 500};
    const double fivePixels = 5.0 * DIGITIZER_RANGE / W;

    // Without a model the old behaviour: the script's verdict, positions as on the glass.
    sim.SetCalibrationScript(CalibrationScript{.answer = Answer::Failure});
    PlayRun(9);
    auto replies = Drain(0ms);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(ParseReply(replies[0]), Verdict::Failure);
    EXPECT_LE(ReportError(probe), 0.5);
    EXPECT_FALSE(sim.screenModel().has_value());

    // A sound run on a distorted screen succeeds against the script, after its delay.
    sim.SetScreenModel(ScreenModel(DefaultDistortion()));
    sim.SetCalibrationScript(CalibrationScript{.answer = Answer::Failure, .delay = 40ms});
    EXPECT_GT(ReportError(probe), fivePixels);
    PlayRun(9);
    EXPECT_TRUE(Drain(39ms).empty());
    replies = Drain(40ms);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(ParseReply(replies[0]), Verdict::Success);
    EXPECT_TRUE(sim.screenModel()->calibrated());
    EXPECT_LE(ReportError(probe), CORRECTED_TOLERANCE);

    // A reset frame drops the correction; its answer is still the script's.
    sim.SetResetScript(ResetScript{.answer = Answer::Failure});
    Write(BuildResetFrame());
    replies = Drain(100ms);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(ParseReply(replies[0]), Verdict::Failure);
    EXPECT_FALSE(sim.screenModel()->calibrated());
    EXPECT_GT(ReportError(probe), fivePixels);

    // A touch 60 px off its cross fails against a scripted success, and corrects nothing.
    sim.SetCalibrationScript(CalibrationScript{.answer = Answer::Success});
    PlayRun(4, 2, 60);
    replies = Drain(0ms);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(ParseReply(replies[0]), Verdict::Failure);
    EXPECT_FALSE(sim.screenModel()->calibrated());
    EXPECT_TRUE(sim.violations().empty());
}

}  // namespace
}  // namespace norvessa::sim
