// Whole calibrations on the full-screen window against the simulated controller: the frames
// it gets, the crosses drawn, the verdict boxes and their answers, and the ways a run ends
// early.

#include <poll.h>
#include <sys/socket.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "app_fixture.h"
#include "controller/linux/controller_state.h"
#include "resource.h"
#include "ui_script.h"

namespace norvessa::test {
namespace {

using sim::Answer;
using sim::CalibrationScript;

class CalibrationTest : public AppTest {
  protected:
    void SetUp() override { MakeDialog(); }

    void Script(CalibrationScript calibration) {
        peer_->With([&](sim::SimulatedController& c) { c.SetCalibrationScript(calibration); });
    }

    // Steps that touch targets `first` .. `last` (inclusive) of the window shown, each once
    // its point frame has reached the controller.
    void TouchTargets(UiScript& script, std::uint32_t first, std::uint32_t last,
                      std::size_t framesBefore = 0) {
        for (std::uint32_t target = first; target <= last; ++target) {
            script.When(
                "point frame " + std::to_string(target + 1),
                [this, target, framesBefore] {
                    return VisibleCalibration() && ReceivedCount() >= framesBefore + 2 + target;
                },
                [target] {
                    ui::CMyDialog* window = VisibleCalibration();
                    HoldStillAndLift(*window, LogicalTarget(*window, target));
                });
        }
    }

    // A step that waits for a message box, records it and answers it.
    void AnswerBox(UiScript& script, std::vector<BoxSeen>& seen,
                   QMessageBox::StandardButton answer) {
        script.When(
            "message box", [] { return VisibleMessageBox() != nullptr; },
            [&seen, answer] {
                QMessageBox* box = VisibleMessageBox();
                seen.push_back(Describe(*box));
                Press(*box, answer);
            });
    }

    void EscapeWindow(UiScript& script) {
        script.When(
            "calibration window to escape", [] { return VisibleCalibration() != nullptr; },
            [] { QTest::keyClick(VisibleCalibration(), Qt::Key_Escape); });
    }

    QSize ScreenPixels() {
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen->geometry().size() * screen->devicePixelRatio();
    }
};

// A whole run, alone on the channel and among a digitizer's touch reports.
class WholeRun : public CalibrationTest, public ::testing::WithParamInterface<bool> {};

TEST_P(WholeRun, NinePointRunSendsEveryFrameAndShowsSuccess) {
    if (GetParam()) {
        peer_->StartTouchStream();
    }
    QRect windowGeometry;
    bool fullScreen = false;
    bool frameless = false;
    std::vector<Report> expected;
    std::vector<BoxSeen> boxes;
    UiScript script;
    script.When(
        "window shown", [] { return VisibleCalibration() != nullptr; },
        [&] {
            ui::CMyDialog* window = VisibleCalibration();
            windowGeometry = window->geometry();
            fullScreen = window->windowState() & Qt::WindowFullScreen;
            frameless = window->windowFlags() & Qt::FramelessWindowHint;
            for (std::uint32_t target = 0; target < 9; ++target) {
                expected.push_back(ExpectedPointFrame(*window, target));
            }
        });
    TouchTargets(script, 0, 8);
    AnswerBox(script, boxes, QMessageBox::Ok);
    script.Start();
    dialog_->StartCalibration(9);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();

    EXPECT_EQ(windowGeometry, QGuiApplication::primaryScreen()->geometry());
    EXPECT_TRUE(fullScreen);
    EXPECT_TRUE(frameless);
    const std::vector<Report> received = Received();
    ASSERT_EQ(received.size(), 10u);
    const QSize screen = ScreenPixels();
    const Report setup = {0xAA,
                          0xF1,
                          0x00,
                          static_cast<std::uint8_t>(screen.width() & 0xFF),
                          static_cast<std::uint8_t>(screen.width() >> 8),
                          static_cast<std::uint8_t>(screen.height() & 0xFF),
                          static_cast<std::uint8_t>(screen.height() >> 8),
                          0x09};
    EXPECT_EQ(Report(received[0].begin(), received[0].begin() + 8), setup);
    const Report firstPoint = {0xAA, 0xF1, 0x01, 0x14, 0x00, 0x14, 0x00, 0x09};
    EXPECT_EQ(Report(received[1].begin(), received[1].begin() + 8), firstPoint);
    for (std::size_t i = 0; i < received.size(); ++i) {
        EXPECT_EQ(received[i].size(), 64u) << i;
        EXPECT_TRUE(std::all_of(received[i].begin() + 8, received[i].end(), [](std::uint8_t b) {
            return b == 0;
        })) << i;
        if (i >= 1) {
            EXPECT_EQ(received[i], expected[i - 1]) << "point frame " << i;
        }
    }
    EXPECT_TRUE(Violations().empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, QStringLiteral("Norvessa"));
    EXPECT_EQ(boxes[0].text, QStringLiteral("Calibration succeed!"));
    EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(VisibleCalibration(), nullptr);
    EXPECT_EQ(dialog_->activeCalibration(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(TouchStream, WholeRun, ::testing::Bool(), [](const auto& p) {
    return std::string(p.param ? "AmongTouchReports" : "Alone");
});

TEST_F(CalibrationTest, AVerdictQueuedBeforeTheRunDoesNotEndIt) {
    peer_->With([](sim::SimulatedController& c) {
        c.QueueReport(sim::VerdictReply(VERDICT_FAILURE), sim::Clock::now());
    });
    peer_->PauseReading(false);  // wakes the peer's loop to send it
    pollfd queued{g_controllerFd, POLLIN, 0};
    ASSERT_EQ(::poll(&queued, 1, 2000), 1);
    bool boxSeen = true;
    UiScript script;
    script.When("window shown", [this] { return VisibleCalibration() && ReceivedCount() >= 2; },
                {});
    script.Pause(300);
    script.When(
        "window still up", [] { return VisibleCalibration() != nullptr; },
        [&] {
            boxSeen = VisibleMessageBox() != nullptr;
            QTest::keyClick(VisibleCalibration(), Qt::Key_Escape);
        });
    script.Start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_FALSE(boxSeen);
}

TEST_F(CalibrationTest, FailureThenYesStartsTheSameCountAgainAfterTheOldWindowClosed) {
    Script({.answer = Answer::Failure});
    std::vector<BoxSeen> boxes;
    QPointer<ui::CMyDialog> first;
    bool firstGoneAtRestart = false;
    UiScript script;
    script.When(
        "first window", [] { return VisibleCalibration() != nullptr; },
        [&] { first = VisibleCalibration(); });
    TouchTargets(script, 0, 3);
    AnswerBox(script, boxes, QMessageBox::Yes);
    script.When(
        "second set-up frame", [this] { return ReceivedCount() >= 7; },
        [&] { firstGoneAtRestart = first.isNull(); });
    script.When(
        "second window", [&] { return VisibleCalibration() != nullptr; },
        [] { QTest::keyClick(VisibleCalibration(), Qt::Key_Escape); });
    script.Start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Calibration failed,retry again?"));
    EXPECT_EQ(boxes[0].title, QStringLiteral("Norvessa"));
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(firstGoneAtRestart);
    const std::vector<Report> received = Received();
    ASSERT_EQ(received.size(), 7u);  // set-up + 4 points, then set-up + first point again
    EXPECT_EQ(received[5], received[0]);
    EXPECT_EQ(received[6], received[1]);
    EXPECT_EQ(Progress().calibrationsStarted, 2);
    EXPECT_EQ(Progress().pointCount, 4);
}

TEST_F(CalibrationTest, FailureThenNoClosesWithoutAnotherRun) {
    Script({.answer = Answer::Failure});
    std::vector<BoxSeen> boxes;
    UiScript script;
    TouchTargets(script, 0, 3);
    AnswerBox(script, boxes, QMessageBox::No);
    script.Start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    QTest::qWait(200);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(VisibleCalibration(), nullptr);
    EXPECT_EQ(Progress().calibrationsStarted, 1);
    EXPECT_EQ(SettledReceivedCount(5), 5u);
}

TEST_F(CalibrationTest, AVerdictBeforeTheLastTargetIsActedOnAtOnce) {
    Script({.answer = Answer::Success, .earlyVerdictAtPoint = 2});
    std::vector<BoxSeen> boxes;
    UiScript script;
    TouchTargets(script, 0, 0);
    AnswerBox(script, boxes, QMessageBox::Ok);
    script.Start();
    dialog_->StartCalibration(16);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Calibration succeed!"));
    EXPECT_EQ(SettledReceivedCount(3), 3u);
}

TEST_F(CalibrationTest, RepliesThatAreNoVerdictAreSkipped) {
    Script({.answer = Answer::Success,
            .reportsBeforeVerdict = {sim::MakeReply(0xAA, 0xF1, 0x05),
                                     sim::MakeReply(0xAB, 0xF1, 0xFF)}});
    std::vector<BoxSeen> boxes;
    UiScript script;
    TouchTargets(script, 0, 3);
    AnswerBox(script, boxes, QMessageBox::Ok);
    script.Start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Calibration succeed!"));
}

TEST_F(CalibrationTest, OnlyNoVerdictKeepsTheWindowWaitingWithoutACross) {
    Script({.answer = Answer::Custom, .customReply = sim::MakeReply(0xAA, 0xF1, 0x01)});
    bool boxSeen = true;
    bool crossGone = false;
    UiScript script;
    TouchTargets(script, 0, 3);
    script.When("the reply sent", [this] { return Progress().verdictSent; }, {});
    script.Pause(300);
    script.When(
        "window still up", [] { return VisibleCalibration() != nullptr; },
        [&] {
            boxSeen = VisibleMessageBox() != nullptr;
            crossGone = !VisibleCalibration()->run().CurrentCross().has_value();
            QTest::keyClick(VisibleCalibration(), Qt::Key_Escape);
        });
    script.Start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_FALSE(boxSeen);
    EXPECT_TRUE(crossGone);
}

TEST_F(CalibrationTest, EscapeStopsTheListenerSoAResetGetsItsOwnReply) {
    std::vector<BoxSeen> boxes;
    UiScript script;
    TouchTargets(script, 0, 1);
    EscapeWindow(script);
    script.Start();
    dialog_->StartCalibration(9);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_EQ(SettledReceivedCount(4), 4u);  // no frame after the Escape

    UiScript reset;
    AnswerBox(reset, boxes, QMessageBox::Ok);
    reset.Start();
    dialog_->RunReset();
    ASSERT_TRUE(reset.WaitUntilFinished()) << reset.failure();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Reset succeed"));
}

TEST_F(CalibrationTest, ControllerUnpluggedMidRunClosesTheWindowAndDisablesTheButtons) {
    UiScript script;
    TouchTargets(script, 0, 1);
    script.When(
        "third point frame", [this] { return ReceivedCount() >= 4; },
        [this] { peer_->Disconnect(); });
    script.Start();
    dialog_->StartCalibration(9);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_EQ(VisibleCalibration(), nullptr);
    EXPECT_EQ(dialog_->controllerLink().current(), nullptr);
    EXPECT_EQ(g_controllerFd, -1);
    EXPECT_FALSE(dialog_->button(IDC_CALIBRATE_9)->isEnabled());
    EXPECT_FALSE(dialog_->button(IDC_RESET)->isEnabled());
}

// A controller that a read or write finds gone is released as its removal would be, whether a
// calibration or a reset finds it.
class GoneControllerFoundBy : public CalibrationTest,
                              public ::testing::WithParamInterface<std::string> {};

TEST_P(GoneControllerFoundBy, IsReleasedAndTheButtonsDisabled) {
    peer_->Disconnect();
    pollfd hangUp{g_controllerFd, 0, 0};
    ASSERT_EQ(::poll(&hangUp, 1, 2000), 1);
    bool boxSeen = false;
    UiScript watch;
    watch.When(
        "any message box", [] { return VisibleMessageBox() != nullptr; },
        [&] {
            boxSeen = true;
            Press(*VisibleMessageBox(), QMessageBox::Ok);
        });
    watch.Start();
    if (GetParam() == "Reset") {
        dialog_->RunReset();
    } else {
        dialog_->StartCalibration(4);
    }
    EXPECT_FALSE(boxSeen);
    EXPECT_EQ(VisibleCalibration(), nullptr);
    EXPECT_EQ(dialog_->controllerLink().current(), nullptr);
    EXPECT_EQ(g_controllerFd, -1);
    EXPECT_FALSE(dialog_->button(IDC_CALIBRATE_4)->isEnabled());
    EXPECT_FALSE(dialog_->button(IDC_RESET)->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Paths, GoneControllerFoundBy, ::testing::Values("Reset", "Calibration"),
                         [](const auto& p) { return p.param; });

// A controller that stops taking output reports: each frame holds the user interface for at
// most its 500 ms, and once the controller takes reports again the frames that timed out reach
// it in order and the run completes.
TEST_F(CalibrationTest, FramesStuckBehindAStalledControllerStillArriveInOrder) {
    Script({.answer = Answer::Success});
    peer_->With([](sim::SimulatedController& c) { c.SetResetScript({.answer = Answer::Silent}); });
    peer_->PauseReading(true);
    const int smallBuffer = 1;  // the kernel rounds it up to its minimum
    ASSERT_EQ(::setsockopt(g_controllerFd, SOL_SOCKET, SO_SNDBUF, &smallBuffer, sizeof smallBuffer),
              0);
    const CalibrationFrame filler = BuildResetFrame();
    std::size_t fillers = 0;
    while (::send(g_controllerFd, filler.data(), filler.size(), MSG_DONTWAIT) > 0) {
        ++fillers;
    }
    qint64 blockedMs = -1;
    std::vector<BoxSeen> boxes;
    QElapsedTimer clock;
    UiScript script;
    script.When(
        "window shown", [] { return VisibleCalibration() != nullptr; },
        [&] {
            blockedMs = clock.elapsed();
            peer_->PauseReading(false);
        });
    TouchTargets(script, 0, 3, fillers);
    AnswerBox(script, boxes, QMessageBox::Ok);
    script.Start();
    clock.start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();

    EXPECT_GE(blockedMs, 2 * 450);  // both opening frames waited out their bound
    EXPECT_LT(blockedMs, 2 * 500 + 1500);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Calibration succeed!"));
    const std::vector<Report> received = Received();
    ASSERT_EQ(received.size(), fillers + 5);
    EXPECT_EQ(received[fillers][2], CMD_SETUP);
    for (std::size_t point = 1; point <= 4; ++point) {
        EXPECT_EQ(received[fillers + point][2], point);
    }
    EXPECT_TRUE(Violations().empty());
}

TEST_F(CalibrationTest, RemovalReportedByTheLinkEndsTheRunBeforeTheFdCloses) {
    UiScript script;
    script.When(
        "window shown", [this] { return VisibleCalibration() && ReceivedCount() >= 2; },
        [this] {
            const std::string path = dialog_->controllerLink().current()->path();
            dialog_->controllerLink().link().OnRemoval(path);
        });
    script.Start();
    dialog_->StartCalibration(25);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_EQ(VisibleCalibration(), nullptr);
    EXPECT_FALSE(dialog_->button(IDC_CALIBRATE_25)->isEnabled());
}

// The cross: one black pixel wide, arms from X - 10 to X + 9, on the default background;
// drawn again only when a target is accepted.
TEST_F(CalibrationTest, DrawsOneCrossAndRepaintsOnlyOnAcceptance) {
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    QImage first;
    QImage second;
    QPoint target0;
    QPoint target1;
    int idlePaints = -1;
    int paintsAfterAcceptance = -1;
    UiScript script;
    script.When("window shown",
                [] {
                    ui::CMyDialog* window = VisibleCalibration();
                    return window && window->windowHandle() && window->windowHandle()->isExposed();
                },
                {});
    script.Pause(100);
    script.Do("count paints", [&] { VisibleCalibration()->installEventFilter(&counter); });
    script.Pause(500);
    script.Do("first cross, then a steady touch", [&] {
        ui::CMyDialog* window = VisibleCalibration();
        idlePaints = counter.paints;
        first = window->grab().toImage();
        target0 = QPoint(window->run().targets().x[0], window->run().targets().y[0]);
        target1 = QPoint(window->run().targets().x[1], window->run().targets().y[1]);
        counter.paints = 0;
        HoldStillAndLift(*window, LogicalTarget(*window, 0));
    });
    script.Pause(200);
    script.Do("second cross", [&] {
        ui::CMyDialog* window = VisibleCalibration();
        paintsAfterAcceptance = counter.paints;
        window->removeEventFilter(&counter);
        second = window->grab().toImage();
    });
    EscapeWindow(script);
    script.Start();
    dialog_->StartCalibration(9);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();

    EXPECT_EQ(idlePaints, 0);
    EXPECT_GE(paintsAfterAcceptance, 1);
    const QColor black(Qt::black);
    const auto isBlack = [&](const QImage& image, QPoint p) {
        return image.pixelColor(p) == black;
    };
    ASSERT_EQ(target0, QPoint(20, 20));
    for (const QPoint& arm : {QPoint(-10, 0), QPoint(9, 0), QPoint(0, -10), QPoint(0, 9),
                              QPoint(0, 0), QPoint(-1, 0)}) {
        EXPECT_TRUE(isBlack(first, target0 + arm)) << arm.x() << "," << arm.y();
        EXPECT_FALSE(isBlack(second, target0 + arm)) << arm.x() << "," << arm.y();
        EXPECT_TRUE(isBlack(second, target1 + arm)) << arm.x() << "," << arm.y();
    }
    for (const QPoint& outside : {QPoint(10, 0), QPoint(-11, 0), QPoint(0, 10), QPoint(0, -11),
                                  QPoint(1, 1), QPoint(-1, -1)}) {
        EXPECT_FALSE(isBlack(first, target0 + outside)) << outside.x() << "," << outside.y();
    }
    EXPECT_EQ(first.pixelColor(400, 300), QApplication::palette().color(QPalette::Window));
}

TEST_F(CalibrationTest, MouseIsASecondFingerButMouseMadeFromTouchIsIgnored) {
    std::size_t afterSynthesised = 0;
    UiScript script;
    script.When(
        "window shown", [this] { return VisibleCalibration() && ReceivedCount() >= 2; },
        [&] {
            ui::CMyDialog* window = VisibleCalibration();
            const QPoint at = LogicalTarget(*window, 0);
            const auto send = [&](QEvent::Type type, Qt::MouseButton button,
                                  Qt::MouseButtons buttons, Qt::MouseEventSource source) {
                QMouseEvent event(type, at, at, window->mapToGlobal(at), button, buttons,
                                  Qt::NoModifier, source);
                QApplication::sendEvent(window, &event);
            };
            const auto steadyPress = [&](Qt::MouseEventSource source) {
                send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, source);
                for (int i = 0; i < 11; ++i) {
                    send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, source);
                }
                send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, source);
            };
            steadyPress(Qt::MouseEventSynthesizedBySystem);
            steadyPress(Qt::MouseEventSynthesizedByQt);
            afterSynthesised = window->run().currentTarget();
            // Moves without a button pressed are no touch.
            send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton,
                 Qt::MouseEventNotSynthesized);
            for (int i = 0; i < 11; ++i) {
                send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, Qt::MouseEventNotSynthesized);
            }
            send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton,
                 Qt::MouseEventNotSynthesized);
            steadyPress(Qt::MouseEventNotSynthesized);
        });
    script.When(
        "second point frame", [this] { return ReceivedCount() >= 3; }, [] {});
    EscapeWindow(script);
    script.Start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_EQ(afterSynthesised, 0u);
    EXPECT_EQ(SettledReceivedCount(3), 3u);
}

// Two fingers feed one ring: a second finger's touch-down clears what the first gathered.
TEST_F(CalibrationTest, EveryFingerFeedsTheOneRun) {
    std::uint32_t afterInterruptedTouch = 99;
    UiScript script;
    script.When(
        "window shown", [this] { return VisibleCalibration() && ReceivedCount() >= 2; },
        [&] {
            ui::CMyDialog* window = VisibleCalibration();
            const QPoint at = LogicalTarget(*window, 0);
            QTest::touchEvent(window, TouchScreen()).press(0, at);
            for (int move = 0; move < 11; ++move) {
                QTest::touchEvent(window, TouchScreen()).move(0, at + QPoint(move % 2, 0));
            }
            QTest::touchEvent(window, TouchScreen()).stationary(0).press(1, at + QPoint(300, 0));
            QTest::touchEvent(window, TouchScreen()).release(0, at).stationary(1);
            afterInterruptedTouch = window->run().currentTarget();
            QTest::touchEvent(window, TouchScreen()).release(1, at + QPoint(300, 0));
        });
    EscapeWindow(script);
    script.Start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_EQ(afterInterruptedTouch, 0u);
    EXPECT_EQ(ReceivedCount(), 2u);
}

TEST_F(CalibrationTest, ButtonsStartTheirCounts) {
    const std::pair<int, int> buttons[] = {{IDC_CALIBRATE_4, 4},   {IDC_CALIBRATE_9, 9},
                                           {IDC_CALIBRATE_16, 16}, {IDC_CALIBRATE_25, 25},
                                           {IDC_CALIBRATE_12, 12}, {IDC_CALIBRATE_15, 15},
                                           {IDC_CALIBRATE_20, 20}};
    for (const auto& [id, count] : buttons) {
        int counted = -1;
        const std::size_t before = ReceivedCount();
        UiScript script;
        script.When(
            "opening frames", [&] { return VisibleCalibration() && ReceivedCount() >= before + 2; },
            [&] {
                counted = Progress().pointCount;
                QTest::keyClick(VisibleCalibration(), Qt::Key_Return);
            });
        script.Start();
        dialog_->button(id)->click();
        ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
        EXPECT_EQ(counted, count) << id;
    }
}

// With nothing to listen to, no verdict could ever end the run: it ends at once, unshown, instead
// of waiting for its time-out.
TEST_F(AppTest, ACalibrationWithoutAListenerEndsAtOnceUnshown) {
    MakeDialog(ui::UiLanguage::English, false);
    bool shown = false;
    UiScript script;
    script.When(
        "calibration window", [] { return VisibleCalibration() != nullptr; },
        [&] {
            shown = true;
            QTest::keyClick(VisibleCalibration(), Qt::Key_Escape);
        });
    script.Start();
    QElapsedTimer clock;
    clock.start();
    dialog_->StartCalibration(4);
    EXPECT_FALSE(shown);
    EXPECT_LT(clock.elapsed(), 1000);
}

}  // namespace
}  // namespace norvessa::test
