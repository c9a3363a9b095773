// Whole checks on the real check window in this process: touches at known offsets from the
// check points, what the picture says, its buttons, Escape and the time-outs. Under Wine no
// monitor has an EDID, so every error is in pixels; the screen is Xvfb's 1920 x 1080, whose
// default tolerance is 1 % of the diagonal, 22 px.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/win32/check_runner.h"
#include "check_session.h"
#include "window_queries.h"

namespace norvessa::test {
namespace {

using win32::CheckEnd;

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) {
        all += line + "\n";
    }
    return all;
}

class CheckWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        if (GetSystemMetrics(SM_CXSCREEN) != 1920 || GetSystemMetrics(SM_CYSCREEN) != 1080) {
            GTEST_SKIP() << "the expected texts are for a 1920 x 1080 screen";
        }
    }
    void TearDown() override { EXPECT_EQ(Joined(session_->failures()), ""); }
    CheckEnd Run(win32::CheckOptions options, const std::function<void(CheckDriver&)>& script) {
        session_ = std::make_unique<CheckSession>(std::move(options));
        return session_->Run(script);
    }

    std::unique_ptr<CheckSession> session_ = std::make_unique<CheckSession>();
};

struct OffsetCase {
    const char* name;
    int points;
    std::vector<POINT> offsets;  // per check point, in its order
    const char* summary;
    const char* diagnosis;
    int exitCode;
};

TEST_F(CheckWindowTest, TouchesAtKnownOffsetsGiveTheSummaryTheDiagnosisAndTheExitCode) {
    const std::vector<OffsetCase> cases = {
        {"exact",
         5,
         {},
         "Largest error 0 px, top left; mean 0 px: PASS",
         "Every touch landed within the tolerance",
         EXIT_DONE},
        {"within",
         5,
         {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {12, -16}},
         "Largest error 20 px, bottom right; mean 4 px: PASS",
         "Every touch landed within the tolerance",
         EXIT_DONE},
        {"beyond",
         5,
         {{0, 0}, {0, 0}, {-30, 40}, {0, 0}, {0, 0}},
         "Largest error 50 px, centre; mean 10 px: FAIL",
         "Touches miss by more than the tolerance with no known cause: calibrate again with more "
         "points",
         EXIT_CHECK_FAILED},
        {"nine points, all a little off",
         9,
         {{3, 4}, {3, 4}, {3, 4}, {3, 4}, {6, 8}, {3, 4}, {3, 4}, {3, 4}, {3, 4}},
         "Largest error 10 px, centre; mean 6 px: PASS",
         "Every touch landed within the tolerance",
         EXIT_DONE},
    };
    for (const OffsetCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CheckEnd end = Run({.points = c.points}, [&](CheckDriver& driver) {
            driver.TouchPoints(c.offsets);
            if (driver.WaitForPicture(1)) {
                driver.Press(CheckButton::Done);
            }
        });
        EXPECT_EQ(end, CheckEnd::Done);
        ASSERT_TRUE(session_->result().has_value());
        EXPECT_EQ(session_->result()->measurement.points.size(),
                  static_cast<std::size_t>(c.points));
        EXPECT_EQ(session_->summary(), c.summary);
        EXPECT_EQ(session_->diagnosis(), c.diagnosis);
        EXPECT_EQ(win32::CheckExitCode(end, session_->result()), c.exitCode);
        EXPECT_EQ(Joined(session_->failures()), "");
    }
}

TEST_F(CheckWindowTest, EachTouchIsTheLiftOffInTheMonitorsPixels) {
    Run({}, [&](CheckDriver& driver) {
        driver.TouchPoints({{1, 2}, {-3, 4}, {5, -6}, {-7, -8}, {9, 10}});
        if (driver.WaitForPicture(1)) {
            driver.Escape();  // leaves the picture as Done does
        }
    });
    ASSERT_TRUE(session_->result().has_value());
    const auto& points = session_->result()->measurement.points;
    ASSERT_EQ(points.size(), 5u);
    const std::vector<std::pair<double, double>> expected = {
        {1, 2}, {-3, 4}, {5, -6}, {-7, -8}, {9, 10}};
    for (std::size_t k = 0; k < points.size(); ++k) {
        EXPECT_EQ(points[k].dx, expected[k].first) << "point " << k;
        EXPECT_EQ(points[k].dy, expected[k].second) << "point " << k;
    }
}

TEST_F(CheckWindowTest, MirroredTouchesAreNamedWithTheirRemedy) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    Run({}, [&](CheckDriver& driver) {
        std::vector<POINT> offsets;
        for (const PixelPoint& p : driver.Points()) {
            offsets.push_back(POINT{width - 1 - 2 * p.x, 0});
        }
        driver.TouchPoints(offsets);
        if (driver.WaitForPicture(1)) {
            driver.Press(CheckButton::Done);
        }
    });
    EXPECT_EQ(session_->diagnosis(),
              "Touches are mirrored left to right: reset the controller and calibrate again with "
              "the monitor rotated as it will be used");
    ASSERT_TRUE(session_->result().has_value());
    EXPECT_FALSE(session_->result()->measurement.passed);
}

TEST_F(CheckWindowTest, CalibrateAgainIsOfferedOnlyWithAController) {
    for (const bool controller : {false, true}) {
        SCOPED_TRACE(controller ? "controller current" : "no controller");
        const CheckEnd end = Run({.offerCalibrateAgain = controller}, [&](CheckDriver& driver) {
            driver.TouchPoints({});
            if (driver.WaitForPicture(1)) {
                driver.Press(controller ? CheckButton::CalibrateAgain : CheckButton::Done);
            }
        });
        const std::vector<CheckButton> expected =
            controller ? std::vector<CheckButton>{CheckButton::Done, CheckButton::CheckAgain,
                                                  CheckButton::CalibrateAgain, CheckButton::Clear}
                       : std::vector<CheckButton>{CheckButton::Done, CheckButton::CheckAgain,
                                                  CheckButton::Clear};
        EXPECT_EQ(session_->buttonsShown(), expected);
        EXPECT_EQ(end, controller ? CheckEnd::CalibrateAgain : CheckEnd::Done);
    }
}

TEST_F(CheckWindowTest, CheckAgainRunsANewCheckWhoseResultReplacesTheFirst) {
    const CheckEnd end = Run({}, [&](CheckDriver& driver) {
        driver.TouchPoints({{40, 0}, {40, 0}, {40, 0}, {40, 0}, {40, 0}});
        if (!driver.WaitForPicture(1) || !driver.Press(CheckButton::CheckAgain)) {
            return;
        }
        driver.TouchPoints({});
        if (driver.WaitForPicture(2)) {
            driver.Press(CheckButton::Done);
        }
    });
    EXPECT_EQ(end, CheckEnd::Done);
    EXPECT_EQ(session_->checksRun(), 2);
    ASSERT_TRUE(session_->result().has_value());
    EXPECT_TRUE(session_->result()->measurement.passed);
    EXPECT_EQ(win32::CheckExitCode(end, session_->result()), EXIT_DONE);
}

TEST_F(CheckWindowTest, TheTrailStaysUntilClearWipesIt) {
    for (const bool clear : {false, true}) {
        SCOPED_TRACE(clear ? "cleared" : "kept");
        Run({}, [&](CheckDriver& driver) {
            driver.TouchPoints({});
            if (!driver.WaitForPicture(1)) {
                return;
            }
            driver.Drag(POINT{100, 300}, POINT{1800, 320});
            driver.Drag(POINT{960, 200}, POINT{960, 700});
            if (clear) {
                driver.Press(CheckButton::Clear);
            }
            driver.Press(CheckButton::Done);
        });
        EXPECT_EQ(session_->trailStrokes(), clear ? 0u : 2u);
    }
}

struct EndCase {
    const char* name;
    bool reachPicture;
    bool escape;
    CheckEnd end;
    int exitCode;
};

TEST_F(CheckWindowTest, EscapeAndTheTimeOutEndTheCheckOrItsPicture) {
    const std::vector<EndCase> cases = {
        {"escape on a point", false, true, CheckEnd::Cancelled, EXIT_CHECK_CANCELLED},
        {"nobody touches a point", false, false, CheckEnd::TimedOut, EXIT_CHECK_CANCELLED},
        {"escape on the picture", true, true, CheckEnd::Done, EXIT_DONE},
        {"nobody touches the picture", true, false, CheckEnd::Done, EXIT_DONE},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CheckEnd end = Run({.timeoutMs = 1500}, [&](CheckDriver& driver) {
            if (c.reachPicture) {
                driver.TouchPoints({});
                if (!driver.WaitForPicture(1)) {
                    return;
                }
            }
            if (c.escape) {
                driver.Escape();
            }
        });
        EXPECT_EQ(end, c.end);
        EXPECT_EQ(session_->result().has_value(), c.reachPicture);
        EXPECT_EQ(win32::CheckExitCode(end, session_->result()), c.exitCode);
    }
}

// Under tests/win32/two-monitors.sh: 1280 x 1024 at the origin (checked) and 1024 x 768 to its
// right, covered while the check runs.
TEST(CheckCoverTest, ATouchOnTheOtherMonitorCountsWhereItLandedInTheCheckedMonitorsPixels) {
    if (GetSystemMetrics(SM_CMONITORS) != 2) {
        GTEST_SKIP() << "needs two monitors (two-monitors.sh)";
    }
    CheckSession session;
    std::wstring coverText;
    RECT coverRect{};
    const CheckEnd end = session.Run([&](CheckDriver& driver) {
        HWND cover = automation::WaitForWindow(CHECK_UI_TIMEOUT, [](HWND hwnd) {
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            return process == GetCurrentProcessId() && IsWindowVisible(hwnd) &&
                   automation::ClassName(hwnd) == L"NorvessaCheckCover";
        });
        if (cover == nullptr) {
            driver.Fail("no cover on the other monitor");
            return;
        }
        coverText = automation::WindowText(cover);
        GetWindowRect(cover, &coverRect);
        driver.TouchPoints({}, 4);  // the first four on the checked monitor; the fifth lands ...
        automation::PostMouseTouch(cover, POINT{100, 200}, 12);  // ... on the cover
        if (driver.WaitForPicture(1)) {
            driver.Press(CheckButton::Done);
        }
    });
    EXPECT_EQ(Joined(session.failures()), "");
    EXPECT_EQ(end, CheckEnd::Done);
    EXPECT_EQ(coverText, L"Checking screen 0");
    EXPECT_EQ(coverRect.left, 1280);
    EXPECT_EQ(coverRect.right - coverRect.left, 1024);
    ASSERT_TRUE(session.result().has_value());
    const auto& points = session.result()->measurement.points;
    ASSERT_EQ(points.size(), 5u);
    // The fifth point's touch, though that point's cross was on the checked monitor.
    EXPECT_EQ(points[4].touch, (PixelPoint{1280 + 100, 200}));
    EXPECT_FALSE(points[4].within);
    EXPECT_TRUE(points[0].within);
}

}  // namespace
}  // namespace norvessa::test
