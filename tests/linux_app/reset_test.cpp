// The Reset button: one reset frame, one reply awaited for 500 ms, and the box that the
// outcome names, or none.

#include <sys/socket.h>

#include <QElapsedTimer>
#include <QPushButton>

#include "app_fixture.h"
#include "controller/linux/controller_state.h"
#include "resource.h"
#include "ui_script.h"

namespace norvessa::test {
namespace {

using sim::Answer;
using namespace std::chrono_literals;

struct ResetCase {
    const char* name;
    sim::ResetScript script;
    const char* englishBox;  // null: no box
    const char* chineseBox;
    friend void PrintTo(const ResetCase& c, std::ostream* os) { *os << c.name; }
};

// Each reply, alone on the channel and among a digitizer's touch reports.
class ResetOutcome : public AppTest,
                     public ::testing::WithParamInterface<std::tuple<ResetCase, bool>> {};

TEST_P(ResetOutcome, ShowsTheBoxItsReplyNames) {
    const auto& [c, touchStream] = GetParam();
    for (ui::UiLanguage language : {ui::UiLanguage::English, ui::UiLanguage::ChineseSimplified}) {
        MakeDialog(language);
        peer_->With(
            [&](sim::SimulatedController& controller) { controller.SetResetScript(c.script); });
        if (touchStream) {
            peer_->StartTouchStream();
        }
        std::vector<BoxSeen> boxes;
        UiScript script;
        script.When(
            "reset box", [] { return VisibleMessageBox() != nullptr; },
            [&] {
                boxes.push_back(Describe(*VisibleMessageBox()));
                Press(*VisibleMessageBox(), QMessageBox::Ok);
            });
        script.Start();
        QElapsedTimer clock;
        clock.start();
        dialog_->button(IDC_RESET)->click();
        const qint64 blockedMs = clock.elapsed();
        const char* expected = language == ui::UiLanguage::English ? c.englishBox : c.chineseBox;
        if (expected == nullptr) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_LT(blockedMs, 1500);
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, QString::fromUtf8(expected));
            EXPECT_EQ(boxes[0].title, QStringLiteral("Norvessa"));
            EXPECT_EQ(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
            EXPECT_EQ(boxes[0].icon, QMessageBox::NoIcon);
        }
        const std::vector<Report> received = Received();
        ASSERT_EQ(received.size(), 1u);
        Report resetFrame(64, 0);
        resetFrame[0] = 0xAA;
        resetFrame[1] = 0xF1;
        resetFrame[2] = 0xFF;
        EXPECT_EQ(received[0], resetFrame);
        // Buttons and controller stay as they were.
        EXPECT_TRUE(dialog_->button(IDC_RESET)->isEnabled());
        EXPECT_NE(dialog_->controllerLink().current(), nullptr);
        dialog_.reset();
        peer_.reset();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ResetOutcome,
    ::testing::Combine(
        ::testing::Values(
            ResetCase{"Success", {.answer = Answer::Success}, "Reset succeed", "重置成功"},
            ResetCase{"Failure", {.answer = Answer::Failure}, "Reset failed", "重置失败"},
            ResetCase{"OtherVerdictByte",
                      {.answer = Answer::Custom, .customReply = sim::MakeReply(0xAA, 0xF1, 0x01)},
                      nullptr,
                      nullptr},
            ResetCase{"WrongMagic",
                      {.answer = Answer::Custom, .customReply = sim::MakeReply(0xAA, 0xF0, 0xFF)},
                      nullptr,
                      nullptr},
            // Another report ID is another collection's report: the controller stayed silent.
            ResetCase{"OtherReportId",
                      {.answer = Answer::Custom, .customReply = sim::MakeReply(0xAB, 0xF1, 0xFF)},
                      "Reset failed",
                      "重置失败"},
            ResetCase{"Silence", {.answer = Answer::Silent}, "Reset failed", "重置失败"},
            ResetCase{"SuccessTooLate",
                      {.answer = Answer::Success, .delay = 600ms},
                      "Reset failed",
                      "重置失败"}),
        ::testing::Bool()),
    [](const auto& param) {
        return std::string(std::get<0>(param.param).name) +
               (std::get<1>(param.param) ? "AmongTouchReports" : "");
    });

// The controller's OUT endpoint stalls (it reads nothing and the socket is full): Reset's frame
// stays stuck in the kernel, and the calibration asked for next must not open, since the answer
// to that frame would read as its verdict.
TEST_F(AppTest, AResetFrameStuckInTheKernelKeepsTheNextCalibrationFromOpening) {
    for (ui::UiLanguage language : {ui::UiLanguage::English, ui::UiLanguage::ChineseSimplified}) {
        MakeDialog(language);
        peer_->With(
            [](sim::SimulatedController& c) { c.SetResetScript({.answer = Answer::Success}); });
        peer_->PauseReading(true);
        const int smallBuffer = 1;
        ASSERT_EQ(
            ::setsockopt(g_controllerFd, SOL_SOCKET, SO_SNDBUF, &smallBuffer, sizeof smallBuffer),
            0);
        const Report filler(64, 0);
        while (::send(g_controllerFd, filler.data(), filler.size(), MSG_DONTWAIT) > 0) {
        }
        std::vector<BoxSeen> boxes;
        bool calibrationSeen = false;
        UiScript script;
        const auto answerBox = [&] {
            calibrationSeen = calibrationSeen || VisibleCalibration() != nullptr;
            boxes.push_back(Describe(*VisibleMessageBox()));
            Press(*VisibleMessageBox(), QMessageBox::Ok);
        };
        script.When(
            "reset box", [] { return VisibleMessageBox() != nullptr; }, answerBox);
        script.When(
            "box of the calibration", [] { return VisibleMessageBox() != nullptr; }, answerBox);
        script.Start();
        dialog_->button(IDC_RESET)->click();
        dialog_->button(IDC_CALIBRATE_4)->click();
        ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();

        const bool english = language == ui::UiLanguage::English;
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].text, QString::fromUtf8(english ? "Reset failed" : "重置失败"));
        EXPECT_EQ(boxes[1].text,
                  QString::fromUtf8(english ? "The touch controller is not responding"
                                            : "触摸控制器没有响应"));
        EXPECT_EQ(boxes[1].title, QStringLiteral("Norvessa"));
        EXPECT_FALSE(calibrationSeen);
        EXPECT_TRUE(dialog_->button(IDC_CALIBRATE_4)->isEnabled());
        EXPECT_NE(dialog_->controllerLink().current(), nullptr);
        dialog_.reset();
        peer_.reset();
    }
}

TEST_F(AppTest, ResetWithoutAControllerShowsNothing) {
    MakeDialog(ui::UiLanguage::English, false);
    dialog_->RunReset();
    EXPECT_EQ(VisibleMessageBox(), nullptr);
}

}  // namespace
}  // namespace norvessa::test
