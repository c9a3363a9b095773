// The calibration window for a person at the screen: acceptance that does not depend on how
// many events arrive, the hold cue and its tick, the guidance text, and the time-out.

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "app_fixture.h"
#include "ui_script.h"

namespace norvessa::test {
namespace {

using sim::Answer;

// A contact delivered with its own timestamps, as the windowing system stamps them. Through the
// mouse, the second finger: a made-up touch event cannot carry a widget position, and both
// reach the run the same way.
void SendStampedPoint(ui::CMyDialog& window, QEventPoint::State state, QPoint at,
                      quint64 timestamp) {
    const QEvent::Type type = state == QEventPoint::State::Pressed    ? QEvent::MouseButtonPress
                              : state == QEventPoint::State::Released ? QEvent::MouseButtonRelease
                                                                      : QEvent::MouseMove;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QMouseEvent event(type, at, at, window.mapToGlobal(at), button, held, Qt::NoModifier);
    event.setTimestamp(timestamp);
    QApplication::sendEvent(&window, &event);
}

struct Touch {
    int atMs;
    QEventPoint::State state;
    int dx = 0;
};
using Pressed = QEventPoint::State;

// A touch whose events are all handled at once, each stamped with the time it happened:
// as after the user-interface thread was held up, when no tick could run in between.
void SendStamped(ui::CMyDialog& window, const std::vector<Touch>& touches) {
    const QPoint target = LogicalTarget(window, window.run().currentTarget());
    const quint64 base = 1'000'000;
    for (const Touch& touch : touches) {
        SendStampedPoint(window, touch.state, target + QPoint(touch.dx, 0), base + touch.atMs);
    }
}

std::vector<Touch> Drift() {
    std::vector<Touch> touches{{0, Pressed::Pressed}};
    for (int i = 1; i <= 15; ++i) {
        touches.push_back({10 * i, Pressed::Updated, 6 * i});
    }
    touches.push_back({150, Pressed::Released, 90});
    return touches;
}

struct AcceptanceCase {
    const char* name;
    std::vector<Touch> stamped;  // empty: a real-time press held 150 ms without moving
    bool accepted;
    const char* hint;
};

class GuidanceTest : public AppTest {
  protected:
    void SetUp() override { MakeDialog(); }

    void Script(sim::CalibrationScript calibration) {
        peer_->With([&](sim::SimulatedController& c) { c.SetCalibrationScript(calibration); });
    }
    UiScript::Condition WindowReady(std::size_t frames) {
        return [this, frames] { return VisibleCalibration() && ReceivedCount() >= frames; };
    }
};

class Acceptance : public GuidanceTest, public ::testing::WithParamInterface<AcceptanceCase> {};

TEST_P(Acceptance, DependsOnHowLongTheContactWasHeldNotOnEventCounts) {
    const AcceptanceCase& c = GetParam();
    std::uint32_t target = 99;
    QString hint;
    bool tickAfterLift = true;
    UiScript script;
    if (c.stamped.empty()) {
        script.When("window shown", WindowReady(2), [] {
            ui::CMyDialog* window = VisibleCalibration();
            QTest::touchEvent(window, TouchScreen()).press(0, LogicalTarget(*window, 0));
        });
        script.Pause(150);
        script.Do("lift", [] {
            ui::CMyDialog* window = VisibleCalibration();
            QTest::touchEvent(window, TouchScreen()).release(0, LogicalTarget(*window, 0));
        });
    } else {
        script.When("window shown", WindowReady(2),
                    [&c] { SendStamped(*VisibleCalibration(), c.stamped); });
    }
    script.Do("result", [&] {
        ui::CMyDialog* window = VisibleCalibration();
        target = window->run().currentTarget();
        hint = window->GuidanceLines()[2];
        tickAfterLift = window->samplingTimerActive();
        QTest::keyClick(window, Qt::Key_Escape);
    });
    script.Start();
    dialog_->StartCalibration(9);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_EQ(target, c.accepted ? 1u : 0u);
    EXPECT_EQ(hint, QString::fromUtf8(c.hint));
    EXPECT_FALSE(tickAfterLift);
    EXPECT_EQ(SettledReceivedCount(c.accepted ? 3 : 2), c.accepted ? 3u : 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Contacts, Acceptance,
    ::testing::Values(AcceptanceCase{"StillContactHeldWithoutMoves", {}, true, ""},
                      AcceptanceCase{"TapOfTwentyMilliseconds",
                                     {{0, Pressed::Pressed}, {20, Pressed::Released}},
                                     false,
                                     "Hold still a little longer"},
                      AcceptanceCase{"DriftBeyondFiftyPixels", Drift(), false, "Too much movement"},
                      AcceptanceCase{"HeldContactDeliveredAsOneCompressedBurst",
                                     {{0, Pressed::Pressed},
                                      {300, Pressed::Updated, 2},
                                      {300, Pressed::Released, 2}},
                                     true,
                                     ""}),
    [](const auto& p) { return std::string(p.param.name); });

// While a finger is down a ring fills round the cross; its tick stops with the contact.
TEST_F(GuidanceTest, HoldCueFillsWhileTheContactIsDownAndItsTickStopsAfter) {
    bool tickWhileDown = false;
    bool tickAfter = true;
    int progress = -1;
    QColor cueWhileDown;
    QColor cueAfter;
    QPoint cuePixel;
    UiScript script;
    script.When("window shown", WindowReady(2), [&] {
        ui::CMyDialog* window = VisibleCalibration();
        EXPECT_FALSE(window->samplingTimerActive());
        const std::int32_t radius = HoldCueFor(window->guidance().metrics()).radius;
        cuePixel = QPoint(window->run().targets().x[0], window->run().targets().y[0] - radius);
        QTest::touchEvent(window, TouchScreen()).press(0, LogicalTarget(*window, 0));
    });
    script.Pause(200);
    script.Do("held", [&] {
        ui::CMyDialog* window = VisibleCalibration();
        tickWhileDown = window->samplingTimerActive();
        progress = window->run().HoldProgress();
        cueWhileDown = window->grab().toImage().pixelColor(cuePixel);
        QTest::touchEvent(window, TouchScreen()).release(0, LogicalTarget(*window, 0));
    });
    script.Pause(100);
    script.Do("lifted", [&] {
        ui::CMyDialog* window = VisibleCalibration();
        tickAfter = window->samplingTimerActive();
        cueAfter = window->grab().toImage().pixelColor(cuePixel);
        QTest::keyClick(window, Qt::Key_Escape);
    });
    script.Start();
    dialog_->StartCalibration(9);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    const QColor background = QApplication::palette().color(QPalette::Window);
    EXPECT_TRUE(tickWhileDown);
    EXPECT_EQ(progress, HOLD_PROGRESS_FULL);
    EXPECT_NE(cueWhileDown, background);
    EXPECT_FALSE(tickAfter);
    EXPECT_EQ(cueAfter, background);
}

class GuidanceLanguage : public GuidanceTest, public ::testing::WithParamInterface<ui::UiLanguage> {
  protected:
    void SetUp() override { MakeDialog(GetParam()); }
};

TEST_P(GuidanceLanguage, InstructionProgressAndWaitClearOfEveryTarget) {
    const bool english = GetParam() == ui::UiLanguage::English;
    Script({.answer = Answer::Custom, .customReply = sim::MakeReply(0xAA, 0xF1, 0x01)});
    std::array<QString, GUIDANCE_LINES> first;
    std::array<QString, GUIDANCE_LINES> second;
    std::array<QString, GUIDANCE_LINES> waiting;
    QRect box;
    bool clear = false;
    bool textDrawn = false;
    UiScript script;
    script.When("window shown", WindowReady(2), [&] {
        ui::CMyDialog* window = VisibleCalibration();
        first = window->GuidanceLines();
        box = window->guidance().textBox();
        clear = ClearOfTargets({box.x(), box.y(), box.width(), box.height()},
                               window->run().targets(), 4);
        const QImage image = window->grab().toImage();
        for (int y = box.top(); y <= box.bottom() && !textDrawn; ++y)
            for (int x = box.left(); x <= box.right() && !textDrawn; ++x)
                textDrawn = image.pixelColor(x, y).lightness() < 100;
        SendStamped(*window, {{0, Pressed::Pressed}, {150, Pressed::Released}});
        second = window->GuidanceLines();
        for (int target = 1; target < 4; ++target)
            SendStamped(*window, {{0, Pressed::Pressed}, {150, Pressed::Released}});
        waiting = window->GuidanceLines();
        QTest::keyClick(window, Qt::Key_Escape);
    });
    script.Start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();

    EXPECT_EQ(first[0], english
                            ? QStringLiteral("Touch the centre of the cross, hold still, then lift")
                            : QStringLiteral("请触摸十字中心，保持不动，然后抬起"));
    EXPECT_EQ(first[1],
              english ? QStringLiteral("Target 1 of 4") : QStringLiteral("第 1 个目标，共 4 个"));
    EXPECT_EQ(second[1],
              english ? QStringLiteral("Target 2 of 4") : QStringLiteral("第 2 个目标，共 4 个"));
    EXPECT_EQ(waiting[0], english ? QStringLiteral("Waiting for the controller…")
                                  : QStringLiteral("正在等待控制器…"));
    EXPECT_TRUE(waiting[1].isEmpty());
    EXPECT_FALSE(box.isEmpty());
    EXPECT_TRUE(clear);
    EXPECT_TRUE(textDrawn);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, GuidanceLanguage,
                         ::testing::Values(ui::UiLanguage::English,
                                           ui::UiLanguage::ChineseSimplified));

// Nobody touches the window, or the verdict never comes: the run ends as Escape ends it, after
// a countdown, and the main dialog says why. The listener is stopped: a reset gets its reply.
class Timeout : public GuidanceTest, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        timings_ = {.timeoutMs = 1500, .countdownMs = 1000};
        MakeDialog();
    }
};

TEST_P(Timeout, EndsTheRunWithACountdownAndSaysWhy) {
    const bool touchEveryTarget = GetParam();
    Script({.answer = Answer::Custom, .customReply = sim::MakeReply(0xAA, 0xF1, 0x01)});
    QString countdown;
    bool idleTimerWhileWaiting = true;
    std::vector<BoxSeen> boxes;
    UiScript script;
    script.When("window shown", WindowReady(2), [&] {
        ui::CMyDialog* window = VisibleCalibration();
        idleTimerWhileWaiting = window->samplingTimerActive();
        if (touchEveryTarget) {
            for (int target = 0; target < 4; ++target)
                SendStamped(*window, {{0, Pressed::Pressed}, {150, Pressed::Released}});
        }
    });
    script.When(
        "countdown",
        [] {
            return VisibleCalibration() && !VisibleCalibration()->GuidanceLines()[1].isEmpty() &&
                   VisibleCalibration()->GuidanceLines()[1].contains(QStringLiteral("Closing"));
        },
        [&] { countdown = VisibleCalibration()->GuidanceLines()[1]; });
    script.When(
        "time-out box", [] { return VisibleMessageBox() != nullptr; },
        [&] {
            boxes.push_back(Describe(*VisibleMessageBox()));
            Press(*VisibleMessageBox(), QMessageBox::Ok);
        });
    script.Start();
    dialog_->StartCalibration(4);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_FALSE(idleTimerWhileWaiting);
    EXPECT_TRUE(countdown.endsWith(QStringLiteral("Closing in 1 s"))) << countdown.toStdString();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Calibration timed out"));
    EXPECT_EQ(boxes[0].title, QStringLiteral("Norvessa"));
    EXPECT_EQ(VisibleCalibration(), nullptr);
    EXPECT_EQ(SettledReceivedCount(touchEveryTarget ? 5 : 2), touchEveryTarget ? 5u : 2u);

    std::vector<BoxSeen> reset;
    UiScript resetScript;
    resetScript.When(
        "reset box", [] { return VisibleMessageBox() != nullptr; },
        [&] {
            reset.push_back(Describe(*VisibleMessageBox()));
            Press(*VisibleMessageBox(), QMessageBox::Ok);
        });
    resetScript.Start();
    dialog_->RunReset();
    ASSERT_TRUE(resetScript.WaitUntilFinished()) << resetScript.failure();
    ASSERT_EQ(reset.size(), 1u);
    EXPECT_EQ(reset[0].text, QStringLiteral("Reset succeed"));
}

INSTANTIATE_TEST_SUITE_P(Waits, Timeout, ::testing::Values(false, true), [](const auto& p) {
    return std::string(p.param ? "NoVerdict" : "NoTouch");
});

}  // namespace
}  // namespace norvessa::test
