// The calibration check on the Linux build, in-process over the main dialog: whole checks with
// touches at known offsets from the check points, the picture's texts and buttons, its ways
// out; the entry points (menu, status-line link); and as child processes the covers of a
// desktop of two screens and the command line's exit codes and report.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSysInfo>
#include <QTemporaryFile>
#include <QTest>

#include "app_fixture.h"
#include "calibration/linux/check_screens.h"
#include "check_drive.h"
#include "resource.h"
#include "ui_script.h"

namespace norvessa::test {
namespace {

using ui::CheckEnd;
using ui::CheckOutcome;

class CheckTest : public AppTest {
  protected:
    void SetUp() override {
        checkEnded_ = [this](const CheckOutcome& outcome) { outcomes_.push_back(outcome); };
        MakeDialog(language_, withController_);
    }

    // Runs the dialog's check with `script` driving it; false when the script got stuck.
    bool RunCheck(UiScript& script) {
        script.Start();
        dialog_->StartCheck();
        return script.WaitUntilFinished();
    }

    bool withController_ = true;
    ui::UiLanguage language_ = ui::UiLanguage::English;
    std::vector<CheckOutcome> outcomes_;
};

struct OffsetCase {
    const char* name;
    QPoint offset;  // of every touch from its check point, in pixels
    bool passed;
    const char* summary;
    const char* diagnosis;
    std::optional<std::uint32_t> onlyPoint;  // the offset is this point's alone
    ui::UiLanguage language = ui::UiLanguage::English;
    const char* progress = "Check point 1 of 5";
    const char* legend = "Arrows show each error 5 times larger";
};

constexpr const char* WITHIN = "Every touch landed within the tolerance";
constexpr const char* NO_PATTERN =
    "Touches miss by more than the tolerance with no known cause: calibrate again with more "
    "points";

void PrintTo(const OffsetCase& c, std::ostream* out) {
    *out << c.name;
}

class CheckAtOffset : public CheckTest, public ::testing::WithParamInterface<OffsetCase> {
  protected:
    CheckAtOffset() { language_ = GetParam().language; }
};

TEST_P(CheckAtOffset, MeasuresEachTouchSendsNothingAndSaysSo) {
    const OffsetCase& c = GetParam();
    QRect geometry;
    bool fullScreen = false;
    std::vector<QString> progress;
    UiScript script;
    script.When(
        "check window", [] { return VisibleCheck() != nullptr; },
        [&] {
            geometry = VisibleCheck()->geometry();
            fullScreen = VisibleCheck()->windowState() & Qt::WindowFullScreen;
            progress.push_back(VisibleCheck()->GuidanceLines()[1]);
        });
    TouchEveryCheckPoint(script, c.offset, c.onlyPoint);
    std::vector<PixelPoint> targets;
    QString summary, legend, diagnosis;
    script.When(
        "picture", [] { return VisibleCheck() && VisibleCheck()->showingPicture(); },
        [&] {
            ui::CheckWindow& window = *VisibleCheck();
            for (const PointError& point : window.result()->measurement.points) {
                targets.push_back(point.target);
            }
            summary = window.picture().texts().summary;
            legend = window.picture().texts().legend;
            diagnosis = window.picture().texts().diagnosis;
            TapButton(window, CheckButton::Done);
        });
    ASSERT_TRUE(RunCheck(script)) << script.failure();

    EXPECT_EQ(geometry, QGuiApplication::primaryScreen()->geometry());
    EXPECT_TRUE(fullScreen);
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(progress[0].toStdString(), c.progress);
    ASSERT_EQ(outcomes_.size(), 1u);
    const CheckOutcome& outcome = outcomes_[0];
    EXPECT_EQ(outcome.end, CheckEnd::Done);
    ASSERT_TRUE(outcome.result);
    const std::vector<PointError>& points = outcome.result->measurement.points;
    ASSERT_EQ(points.size(), 5u);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(targets, *LayoutCheckPoints(5, screen.width(), screen.height()));
    for (std::uint32_t i = 0; i < points.size(); ++i) {
        const QPoint offset = c.onlyPoint.value_or(i) == i ? c.offset : QPoint();
        EXPECT_EQ(points[i].touch,
                  (PixelPoint{points[i].target.x + offset.x(), points[i].target.y + offset.y()}))
            << i;
    }
    EXPECT_EQ(outcome.result->measurement.passed, c.passed);
    EXPECT_EQ(summary.toStdString(), c.summary);
    EXPECT_EQ(legend.toStdString(), c.legend);
    EXPECT_EQ(diagnosis.toStdString(), c.diagnosis);
    EXPECT_EQ(outcome.diagnosisText, c.diagnosis);
    // A check sends the controller nothing, not even the set-up frame.
    EXPECT_EQ(SettledReceivedCount(0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, CheckAtOffset,
    ::testing::Values(
        // The offscreen screen: 800 x 600 pixels of 0.254 mm; the tolerance 10 px.
        OffsetCase{"exact",
                   {0, 0},
                   true,
                   "Largest error 0.0 mm (0 px), top left; mean 0.0 mm: PASS",
                   WITHIN},
        OffsetCase{"within",
                   {3, 4},
                   true,
                   "Largest error 1.3 mm (5 px), top left; mean 1.3 mm: PASS",
                   WITHIN},
        OffsetCase{"beyond",
                   {12, 16},
                   false,
                   "Largest error 5.1 mm (20 px), top left; mean 5.1 mm: FAIL",
                   NO_PATTERN},
        OffsetCase{"last_point_beyond",
                   {0, 30},
                   false,
                   "Largest error 7.6 mm (30 px), bottom right; mean 1.5 mm: FAIL",
                   NO_PATTERN,
                   4},
        OffsetCase{"last_point_beyond_in_chinese",
                   {0, 30},
                   false,
                   "最大误差 7.6 毫米（30 像素），右下；平均 1.5 毫米：未通过",
                   "触摸偏差超出容差且原因不明：请用更多的点重新校准",
                   4,
                   ui::UiLanguage::ChineseSimplified,
                   "第 1 个检查点，共 5 个",
                   "箭头将每个误差放大 5 倍显示"}),
    [](const auto& p) { return std::string(p.param.name); });

// Steps that touch every check point exactly and wait for the picture.
void ReachPicture(UiScript& script) {
    TouchEveryCheckPoint(script, {0, 0});
    script.When(
        "picture", [] { return VisibleCheck() && VisibleCheck()->showingPicture(); }, [] {});
}

// The picture's row of buttons: "Calibrate again" only with a controller to calibrate, and
// "Map to this monitor" never without a way to map (no X11 here, no mapping hook).
struct ButtonRowCase {
    const char* name;
    bool controller;
    std::vector<CheckButton> buttons;
    QStringList labels;
};

class ButtonRow : public CheckTest, public ::testing::WithParamInterface<ButtonRowCase> {
  protected:
    ButtonRow() { withController_ = GetParam().controller; }
};

TEST_P(ButtonRow, OffersCalibrationOnlyWithAController) {
    std::vector<CheckButton> buttons;
    QStringList labels;
    UiScript script;
    ReachPicture(script);
    script.Do("read the row", [&] {
        const ui::CheckWindow& window = *VisibleCheck();
        for (const PictureButton& button : window.picture().layout().buttons) {
            buttons.push_back(button.button);
            labels << window.picture().texts().buttons.at(button.button);
        }
        TapButton(*VisibleCheck(), CheckButton::Done);
    });
    ASSERT_TRUE(RunCheck(script)) << script.failure();
    EXPECT_EQ(buttons, GetParam().buttons);
    EXPECT_EQ(labels, GetParam().labels);
}

INSTANTIATE_TEST_SUITE_P(
    Controllers, ButtonRow,
    ::testing::Values(ButtonRowCase{"with_controller",
                                    true,
                                    {CheckButton::Done, CheckButton::CheckAgain,
                                     CheckButton::CalibrateAgain, CheckButton::Clear},
                                    {"Done", "Check again", "Calibrate again", "Clear"}},
                      ButtonRowCase{
                          "without_controller",
                          false,
                          {CheckButton::Done, CheckButton::CheckAgain, CheckButton::Clear},
                          {"Done", "Check again", "Clear"}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(CheckTest, CheckAgainMeasuresAnewAndOnlyTheLastCheckIsReported) {
    bool measuringAgain = false;
    UiScript script;
    ReachPicture(script);
    script.Do("check again", [] { TapButton(*VisibleCheck(), CheckButton::CheckAgain); });
    script.When(
        "second check", [] { return VisibleCheck() && !VisibleCheck()->showingPicture(); },
        [&] { measuringAgain = VisibleCheck()->run().currentTarget() == 0; });
    TouchEveryCheckPoint(script, {0, 30});
    script.When(
        "second picture", [] { return VisibleCheck() && VisibleCheck()->showingPicture(); },
        [] { TapButton(*VisibleCheck(), CheckButton::Done); });
    ASSERT_TRUE(RunCheck(script)) << script.failure();
    EXPECT_TRUE(measuringAgain);
    ASSERT_EQ(outcomes_.size(), 1u);
    ASSERT_TRUE(outcomes_[0].result);
    EXPECT_FALSE(outcomes_[0].result->measurement.passed);
    EXPECT_EQ(outcomes_[0].result->measurement.points[0].dy, 30);
}

// The finger's trail follows touches and the mouse anywhere on the picture; "Clear" wipes it
// and the picture stays.
TEST_F(CheckTest, TrailFollowsTouchAndMouseAndClearWipesIt) {
    std::vector<QPolygon> drawn;
    std::vector<QPolygon> cleared;
    bool stillShown = false;
    UiScript script;
    ReachPicture(script);
    script.Do("draw", [] {
        ui::CheckWindow* window = VisibleCheck();
        QTest::touchEvent(window, TouchScreen()).press(0, {100, 200});
        QTest::touchEvent(window, TouchScreen()).move(0, {150, 210});
        QTest::touchEvent(window, TouchScreen()).release(0, {150, 210});
        QTest::mousePress(window, Qt::LeftButton, {}, {300, 300});
        QMouseEvent move(QEvent::MouseMove, QPointF(320, 330), QPointF(320, 330), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &move);
        QTest::mouseRelease(window, Qt::LeftButton, {}, {320, 330});
    });
    script.Do("clear", [&] {
        drawn = VisibleCheck()->picture().trail();
        TapButton(*VisibleCheck(), CheckButton::Clear);
    });
    script.Do("done", [&] {
        cleared = VisibleCheck()->picture().trail();
        stillShown = VisibleCheck()->showingPicture();
        TapButton(*VisibleCheck(), CheckButton::Done);
    });
    ASSERT_TRUE(RunCheck(script)) << script.failure();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].front(), QPoint(100, 200));
    EXPECT_EQ(drawn[0].back(), QPoint(150, 210));
    EXPECT_EQ(drawn[1].front(), QPoint(300, 300));
    EXPECT_EQ(drawn[1].back(), QPoint(320, 330));
    EXPECT_TRUE(cleared.empty());
    EXPECT_TRUE(stillShown);
}

// "Calibrate again" ends the check and starts a calibration with the dialog's default count
// when none ran before.
TEST_F(CheckTest, CalibrateAgainStartsACalibrationOfTheDefaultCount) {
    double points = 0;
    UiScript script;
    ReachPicture(script);
    script.Do("calibrate again", [] { TapButton(*VisibleCheck(), CheckButton::CalibrateAgain); });
    script.When(
        "calibration", [] { return VisibleCalibration() != nullptr; },
        [&] {
            points = VisibleCalibration()->run().pointCount();
            QTest::keyClick(VisibleCalibration(), Qt::Key_Escape);
        });
    ASSERT_TRUE(RunCheck(script)) << script.failure();
    ASSERT_EQ(outcomes_.size(), 1u);
    EXPECT_EQ(outcomes_[0].end, CheckEnd::CalibrateAgain);
    EXPECT_EQ(points, 9);
}

// The ways out without a button: Escape and the time-out, before the picture and on it.
struct WayOutCase {
    const char* name;
    bool reachPicture;
    bool escape;  // else the time-out
    CheckEnd end;
};

class WayOut : public CheckTest, public ::testing::WithParamInterface<WayOutCase> {
  protected:
    WayOut() { timings_ = {.timeoutMs = 1500, .countdownMs = 1000}; }
};

TEST_P(WayOut, EndsTheCheckAsItShould) {
    const WayOutCase& c = GetParam();
    QString countdown;
    UiScript script;
    if (c.reachPicture) {
        ReachPicture(script);
    } else {
        script.When(
            "check window", [] { return VisibleCheck() != nullptr; }, [] {});
    }
    if (c.escape) {
        script.Do("escape", [] { QTest::keyClick(VisibleCheck(), Qt::Key_Escape); });
    } else if (!c.reachPicture) {
        script.When(
            "countdown",
            [] {
                return VisibleCheck() &&
                       VisibleCheck()->GuidanceLines()[1].contains(QStringLiteral("Closing"));
            },
            [&] { countdown = VisibleCheck()->GuidanceLines()[1]; });
    }
    script.When(
        "check ended", [this] { return !outcomes_.empty(); }, [] {});
    ASSERT_TRUE(RunCheck(script)) << script.failure();
    ASSERT_EQ(outcomes_.size(), 1u);
    EXPECT_EQ(outcomes_[0].end, c.end);
    EXPECT_EQ(outcomes_[0].result.has_value(), c.reachPicture);
    if (!c.escape && !c.reachPicture) {
        EXPECT_TRUE(countdown.endsWith(QStringLiteral("Closing in 1 s")))
            << countdown.toStdString();
    }
    EXPECT_EQ(VisibleCheck(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, WayOut,
    ::testing::Values(WayOutCase{"escape_at_a_point", false, true, CheckEnd::Cancelled},
                      WayOutCase{"nobody_touches_a_point", false, false, CheckEnd::TimedOut},
                      WayOutCase{"escape_on_the_picture", true, true, CheckEnd::Done},
                      WayOutCase{"picture_left_alone", true, false, CheckEnd::Done}),
    [](const auto& p) { return std::string(p.param.name); });

// The main window's menu offers the check below About; after a successful calibration the
// status line carries a link to it, and the dialog's focus and tab order stay the buttons'.
TEST_F(CheckTest, MenuEntryBelowAboutStartsTheCheck) {
    QStringList entries;
    UiScript script;
    script.When(
        "menu", [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; },
        [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            for (QAction* action : menu->actions()) {
                entries << action->text();
            }
            menu->actions().back()->trigger();
            menu->close();
        });
    script.When(
        "check window", [] { return VisibleCheck() != nullptr; },
        [] { QTest::keyClick(VisibleCheck(), Qt::Key_Escape); });
    script.Start();
    QContextMenuEvent event(QContextMenuEvent::Mouse, {10, 10},
                            dialog_->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(dialog_.get(), &event);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_EQ(entries, QStringList({"&About Norvessa...", "Check calibration…"}));
    ASSERT_EQ(outcomes_.size(), 1u);
    EXPECT_EQ(outcomes_[0].end, CheckEnd::Cancelled);
}

TEST_F(CheckTest, StatusLineLinksToTheCheckAfterASuccessfulCalibration) {
    const QSize size = dialog_->size();
    QWidget* focused = dialog_->focusWidget();
    const QString before = dialog_->statusLine()->text();
    UiScript script;
    for (std::uint32_t target = 0; target < 4; ++target) {
        script.When(
            "target " + std::to_string(target + 1),
            [this, target] { return VisibleCalibration() && ReceivedCount() >= 2 + target; },
            [target] {
                HoldStillAndLift(*VisibleCalibration(),
                                 LogicalTarget(*VisibleCalibration(), target));
            });
    }
    script.When(
        "verdict", [] { return VisibleMessageBox() != nullptr; },
        [] { Press(*VisibleMessageBox(), QMessageBox::Ok); });
    script.Start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();

    QLabel* status = dialog_->statusLine();
    EXPECT_EQ(status->text(), before + " <a href=\"check\">Check the calibration</a>");
    EXPECT_EQ(status->textFormat(), Qt::RichText);
    EXPECT_EQ(status->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(dialog_->size(), size);
    EXPECT_EQ(dialog_->focusWidget(), focused);

    UiScript check;
    check.When(
        "check window", [] { return VisibleCheck() != nullptr; },
        [] { QTest::keyClick(VisibleCheck(), Qt::Key_Escape); });
    check.When(
        "check ended", [this] { return !outcomes_.empty(); }, [] {});
    check.Start();
    emit status->linkActivated(QStringLiteral("check"));
    ASSERT_TRUE(check.WaitUntilFinished()) << check.failure();
    ASSERT_EQ(dialog_->lastCalibration().has_value(), true);
    EXPECT_EQ(dialog_->lastCalibration()->pointCount, 4);
    EXPECT_TRUE(dialog_->lastCalibration()->succeeded);
}

struct ChildRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ChildRun RunTestProgram(const QStringList& arguments,
                        const std::vector<std::pair<QString, QString>>& variables) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    for (const auto& [name, value] : variables) {
        environment.insert(name, value);
    }
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    ChildRun run;
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished();
    } else if (child.exitStatus() == QProcess::NormalExit) {
        run.exitCode = child.exitCode();
    }
    run.out = QString::fromUtf8(child.readAllStandardOutput());
    run.err = QString::fromUtf8(child.readAllStandardError());
    return run;
}

// A check on the first of two screens with the other covered: a touch on the cover counts
// where it landed, in the checked screen's pixels; touches that all land on the other screen
// of the same size name that screen and offer the mapping, which the check runs again after.
struct CoverCase {
    const char* name;
    const char* screens;
    const char* action;
    QStringList expected;  // "touch" lines are compared apart, against the layout
    QPoint coverOffset;    // of a touch on the cover, in the checked screen's pixels
    bool everyPointOnCover;
};

void PrintTo(const CoverCase& c, std::ostream* out) {
    *out << c.name;
}

class CoveredScreens : public ::testing::TestWithParam<CoverCase> {};

TEST_P(CoveredScreens, CountTouchesOnTheCoverWhereTheyLanded) {
    const CoverCase& c = GetParam();
    QTemporaryFile config;
    ASSERT_TRUE(config.open());
    config.write(QByteArray("{\"screens\": ") + c.screens + "}");
    config.flush();
    const ChildRun run =
        RunTestProgram({QStringLiteral("--check-child"), QString::fromLatin1(c.action)},
                       {{QStringLiteral("QT_QPA_PLATFORM"),
                         QStringLiteral("offscreen:configfile=") + config.fileName()}});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QStringList touches;
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("touch "))) {
            touches << line;
        }
    }
    lines.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("touch ")); });
    EXPECT_EQ(lines, c.expected) << run.out.toStdString() << run.err.toStdString();
    const QJsonObject first =
        QJsonDocument::fromJson(QByteArray("{\"screens\": ") + c.screens + "}")
            .object()
            .value(QStringLiteral("screens"))
            .toArray()
            .at(0)
            .toObject();
    const std::vector<PixelPoint> points =
        *LayoutCheckPoints(5, first.value(QStringLiteral("width")).toInt(),
                           first.value(QStringLiteral("height")).toInt());
    QStringList expectedTouches;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const bool onCover = c.everyPointOnCover || i + 1 == points.size();
        const QPoint offset = onCover ? c.coverOffset : QPoint();
        expectedTouches << QStringLiteral("touch %1 %2")
                               .arg(points[i].x + offset.x())
                               .arg(points[i].y + offset.y());
    }
    EXPECT_EQ(touches, expectedTouches);
}

#define CHECK_SCREEN(name, x, y, width, height)                                 \
    "{\"name\": \"" name "\", \"x\": " #x ", \"y\": " #y ", \"width\": " #width \
    ", \"height\": " #height ", \"logicalDpi\": 96, \"dpr\": 1}"

INSTANTIATE_TEST_SUITE_P(
    Desktops, CoveredScreens,
    ::testing::Values(
        CoverCase{"last_point_on_the_cover_right",
                  "[" CHECK_SCREEN("LEFT-1", 0, 0, 1280, 1024) "," CHECK_SCREEN("RIGHT-2", 1280, 0,
                                                                                1024, 768) "]",
                  "last-on-cover",
                  {"cover RIGHT-2 Checking screen 1 1280 1024",
                   "diagnosis Touches miss by more than the tolerance with no known cause: "
                   "calibrate again with more points",
                   "map button absent", "end 0"},
                  {1280, 0},
                  false},
        CoverCase{"cover_above_the_checked_screen",
                  "[" CHECK_SCREEN("LOWER-1", 0, 768, 1024, 768) "," CHECK_SCREEN("UPPER-2", 0, 0,
                                                                                  1024, 768) "]",
                  "last-on-cover",
                  {"cover UPPER-2 Checking screen 1 0 1024",
                   "diagnosis Touches miss by more than the tolerance with no known cause: "
                   "calibrate again with more points",
                   "map button absent", "end 0"},
                  {0, -768},
                  false},
        CoverCase{"every_point_on_the_other_screen",
                  "[" CHECK_SCREEN("LEFT-1", 0, 0, 1024, 768) "," CHECK_SCREEN("RIGHT-2", 1024, 0,
                                                                               1024, 768) "]",
                  "all-on-cover",
                  {"cover RIGHT-2 Checking screen 1 1024 1024",
                   "diagnosis The touch screen is mapped to screen 1 \"RIGHT-2\", not to this "
                   "monitor: touch “Map to this monitor”",
                   "map button shown", "map device touched monitor 0 0 1024 768 root 2048 768",
                   "after mapping checking again", "end 0"},
                  {1024, 0},
                  true},
        CoverCase{"mapping_refused",
                  "[" CHECK_SCREEN("LEFT-1", 0, 0, 1024, 768) "," CHECK_SCREEN("RIGHT-2", 1024, 0,
                                                                               1024, 768) "]",
                  "all-on-cover-refused",
                  {"cover RIGHT-2 Checking screen 1 1024 1024",
                   "diagnosis The touch screen is mapped to screen 1 \"RIGHT-2\", not to this "
                   "monitor: touch “Map to this monitor”",
                   "map button shown", "map device touched monitor 0 0 1024 768 root 2048 768",
                   "after mapping picture: The touch screen could not be mapped to this monitor",
                   "end 0"},
                  {1024, 0},
                  true}),
    [](const auto& p) { return std::string(p.param.name); });

// The command line's check as a child process over the simulated controller ("none": no
// controller at all): its exit code and the report it writes to standard output.
struct CommandCase {
    const char* name;
    const char* controller;
    QStringList arguments;
    const char* touches;  // how the child's finger touches the check: NORVESSA_TEST_CHECK
    int exitCode;
    const char* result;  // the report's check.result; nullptr: no report
    bool withController;
    bool withCalibration;
    const char* err = "";  // found on stderr
};

void PrintTo(const CommandCase& c, std::ostream* out) {
    *out << c.name;
}

class CheckCommandLine : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CheckCommandLine, EndsWithItsExitCodeAndReport) {
    const CommandCase& c = GetParam();
    QStringList arguments = {QStringLiteral("--command-line"), QString::fromLatin1(c.controller)};
    arguments << c.arguments;
    const ChildRun run = RunTestProgram(
        arguments, {{QStringLiteral("NORVESSA_TEST_CHECK"), QString::fromLatin1(c.touches)}});
    ASSERT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.err))) << run.err.toStdString();
    if (c.result == nullptr) {
        EXPECT_EQ(run.out, QString()) << run.err.toStdString();
        return;
    }
    QJsonParseError error;
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_EQ(report.value("check").toObject().value("result").toString(),
              QString::fromLatin1(c.result));
    EXPECT_EQ(report.value("check").toObject().value("points").toArray().size(), 5);
    EXPECT_EQ(report.value("tool").toObject().value("version").toString(),
              QStringLiteral(NORVESSA_VERSION));
    EXPECT_EQ(report.value("host").toString(), QSysInfo::machineHostName());
    EXPECT_EQ(report.value("monitor").toObject().value("pixels").toObject().value("width"),
              QGuiApplication::primaryScreen()->size().width());
    EXPECT_EQ(report.value("controller").isObject(), c.withController);
    EXPECT_EQ(report.value("calibration").isObject(), c.withCalibration);
    if (c.withCalibration) {
        EXPECT_EQ(report.value("calibration").toObject().value("point_count").toInt(), 4);
        EXPECT_EQ(report.value("calibration").toObject().value("verdict").toString(),
                  QStringLiteral("success"));
    }
    EXPECT_EQ(report.value("diagnosis").toObject().value("text").toString().isEmpty(), false);
}

const QStringList CHECK_TO_STDOUT = {"--check", "--report", "-"};

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckCommandLine,
    ::testing::Values(
        CommandCase{"passed", "none", CHECK_TO_STDOUT, "exact", 0, "pass", false, false},
        CommandCase{"failed", "none", CHECK_TO_STDOUT, "beyond", 6, "fail", false, false},
        CommandCase{"cancelled", "none", CHECK_TO_STDOUT, "escape", 7, nullptr, false, false,
                    "no report: the check was not completed"},
        CommandCase{"wider_tolerance_passes",
                    "none",
                    {"--check", "--tolerance", "50", "--report", "-"},
                    "beyond",
                    0,
                    "pass",
                    false,
                    false},
        CommandCase{"tolerance_in_millimetres",
                    "none",
                    {"--check", "--tolerance", "15mm", "--report", "-"},
                    "beyond",
                    0,
                    "pass",
                    false,
                    false},
        CommandCase{"controller_current", "success", CHECK_TO_STDOUT, "exact", 0, "pass", true,
                    false},
        CommandCase{"after_a_calibration",
                    "success",
                    {"--calibrate", "4", "--check", "--report", "-"},
                    "exact",
                    0,
                    "pass",
                    true,
                    true},
        CommandCase{"calibration_without_a_controller",
                    "none",
                    {"--calibrate", "4", "--check", "--report", "-"},
                    "exact",
                    4,
                    nullptr,
                    false,
                    false,
                    "no controller found"},
        // A passed check without the report asked for is no success.
        CommandCase{"report_cannot_be_written",
                    "none",
                    {"--check", "--report", "/nonexistent-norvessa/report.json"},
                    "exact",
                    1,
                    nullptr,
                    false,
                    false,
                    "cannot write /nonexistent-norvessa/report.json"},
        CommandCase{"bad_tolerance",
                    "none",
                    {"--check", "--tolerance", "2x"},
                    "exact",
                    2,
                    nullptr,
                    false,
                    false,
                    "--tolerance takes N (pixels) or Nmm, not '2x'\n"}),
    [](const auto& p) { return std::string(p.param.name); });

// Which remedy a mis-mapped touch screen is given: the check's own button on X11 alone (an X
// server on a Wayland session maps nothing the compositor does not), GNOME's settings where
// the desktop list names GNOME, else the compositor's configuration.
TEST(CheckRemedy, FollowsThePlatformAndTheDesktop) {
    struct Case {
        bool x11;
        bool waylandSession;
        const char* desktop;
        MappingRemedy remedy;
    };
    const Case cases[] = {
        {true, false, "GNOME", MappingRemedy::MapButton},
        {true, true, "GNOME", MappingRemedy::Gnome},
        {false, true, "ubuntu:GNOME", MappingRemedy::Gnome},
        {false, true, "KDE", MappingRemedy::Compositor},
        {false, true, "", MappingRemedy::Compositor},
        {false, false, "GNOME", MappingRemedy::Compositor},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::RemedyFor(c.x11, c.waylandSession, c.desktop), c.remedy)
            << c.x11 << " " << c.waylandSession << " " << c.desktop;
    }
}

// A monitor's physical size as Qt reports it counts only when a monitor could have it: none
// (0, as a projector or a virtual screen says) and absurd EDID values leave the check in pixels.
TEST(CheckScreens, PhysicalSizeCountsOnlyWhenPlausible) {
    struct Case {
        double width;
        double height;
        bool known;
    };
    const Case cases[] = {
        {527, 296, true}, {0, 0, false},        {1, 1, false},
        {527, 0, false},  {16000, 9000, false}, {30, 20, true},
    };
    for (const Case& c : cases) {
        const std::optional<MonitorMillimetres> size = ui::PlausibleMillimetres(c.width, c.height);
        EXPECT_EQ(size.has_value(), c.known) << c.width << " x " << c.height;
        if (size) {
            EXPECT_EQ(size->width, c.width);
            EXPECT_EQ(size->height, c.height);
        }
    }
}

}  // namespace
}  // namespace norvessa::test
