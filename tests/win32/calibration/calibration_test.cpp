// Whole calibrations on the real main dialog and calibration window, the controller simulated
// behind its named pipe, the user played with posted mouse messages. Every frame is checked at
// the controller.
#include <gtest/gtest.h>

#include "calibration_session.h"
#include "resource.h"
#include "test_window.h"
#include "ui/win32/app_messages.h"
#include "window_queries.h"

namespace norvessa::test {
namespace {

using sim::Answer;
using sim::MakeReply;

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) {
        all += line + "\n";
    }
    return all;
}

std::vector<std::uint8_t> Frame(const CalibrationFrame& frame) {
    return {frame.begin(), frame.end()};
}

class CalibrationTest : public testing::Test {
  protected:
    void Script(sim::CalibrationScript script, sim::ResetScript reset = {}) {
        session_.peer().With([&](sim::SimulatedController& c) {
            c.SetCalibrationScript(std::move(script));
            c.SetResetScript(reset);
        });
    }
    void TearDown() override {
        EXPECT_EQ(Joined(session_.failures()), "");
        const auto violations =
            session_.peer().With([](sim::SimulatedController& c) { return c.violations(); });
        EXPECT_EQ(Joined(violations), "") << "the controller saw frames out of order";
    }

    CalibrationSession session_;
};

TEST_F(CalibrationTest, NinePointsFromTheButtonToTheSuccessBox) {
    Script({.answer = Answer::Success});
    session_.AnswerBoxesWith({IDOK});
    RECT windowRect{};
    std::size_t receivedWhenShown = 0;
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_9);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        receivedWhenShown = session_.peer().ReceivedCount();
        GetWindowRect(window, &windowRect);
        driver.Check(!IsWindowEnabled(driver.mainDialog()), "the main dialog takes input");
        driver.TouchTargets(window, 9, 0, 8);
        driver.WaitForBoxes(1);
        driver.WaitForWindowGone(window);
        driver.WaitForMainDialogEnabled();
    });

    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(9, 8));
    EXPECT_EQ(receivedWhenShown, 2u) << "set-up and first point frame before the window shows";
    EXPECT_EQ(windowRect.left, 0);
    EXPECT_EQ(windowRect.top, 0);
    EXPECT_EQ(windowRect.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(windowRect.bottom, GetSystemMetrics(SM_CYSCREEN));
    const auto boxes = session_.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Calibration succeed!");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes[0].caption, L"norvessa_calibration_tests");
    EXPECT_EQ(boxes[0].owner, BoxOwner::CalibrationWindow);
}

// The seven buttons and their counts: the set-up frame's count byte and the number of point
// frames; each run ended with Escape after its first target.
TEST_F(CalibrationTest, EachButtonStartsItsCount) {
    const std::pair<int, int> buttons[] = {
        {IDC_CALIBRATE_4, 4},   {IDC_CALIBRATE_9, 9},   {IDC_CALIBRATE_16, 16},
        {IDC_CALIBRATE_25, 25}, {IDC_CALIBRATE_12, 12}, {IDC_CALIBRATE_15, 15},
        {IDC_CALIBRATE_20, 20},
    };
    Script({.answer = Answer::Silent});
    session_.Run([&](Driver& driver) {
        HWND previous = nullptr;
        for (const auto& [id, count] : buttons) {
            const std::size_t before = session_.peer().ReceivedCount();
            driver.PressButton(id);
            HWND window = driver.WaitForCalibrationWindow(previous);
            if (window == nullptr) {
                return;
            }
            driver.WaitForReceived(before + 2);
            PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
            driver.WaitForWindowGone(window);
            previous = window;
        }
    });
    std::vector<int> counts;
    for (const auto& report : session_.received()) {
        if (report[2] == CMD_SETUP) {
            counts.push_back(report[FRAME_COUNT_OFFSET]);
        }
    }
    EXPECT_EQ(counts, (std::vector<int>{4, 9, 16, 25, 12, 15, 20}));
}

TEST_F(CalibrationTest, FailureAnsweredYesStartsTheSameCountAgain) {
    Script({.answer = Answer::Failure});
    session_.AnswerBoxesWith({IDYES, IDNO});
    HWND second = nullptr;
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_4);
        HWND first = driver.WaitForCalibrationWindow();
        if (first == nullptr) {
            return;
        }
        driver.TouchTargets(first, 4, 0, 3);
        driver.WaitForBoxes(1);
        second = driver.WaitForCalibrationWindow(first);
        driver.Check(!IsWindow(first), "the failed run's window is still there");
        if (second == nullptr) {
            return;
        }
        driver.WaitForReceived(5 + 2);
        driver.TouchTargets(second, 4, 0, 3);
        driver.WaitForBoxes(2);
        driver.WaitForWindowGone(second);
        driver.WaitForMainDialogEnabled();
    });

    auto expected = CalibrationSession::ExpectedFrames(4, 3);
    const auto again = expected;
    expected.insert(expected.end(), again.begin(), again.end());
    EXPECT_EQ(session_.received(), expected);
    const auto boxes = session_.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const ShownBox& box : boxes) {
        EXPECT_EQ(box.text, L"Calibration failed,retry again?");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
        EXPECT_EQ(box.owner, BoxOwner::CalibrationWindow);
    }
}

TEST_F(CalibrationTest, FailureAnsweredNoReturnsToTheMainDialog) {
    Script({.answer = Answer::Failure});
    session_.AnswerBoxesWith({IDNO});
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_4);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        driver.TouchTargets(window, 4, 0, 3);
        driver.WaitForBoxes(1);
        driver.WaitForWindowGone(window);
        driver.WaitForMainDialogEnabled();
        // Nothing starts again on its own.
        Sleep(300);
        driver.Check(IsWindowEnabled(driver.mainDialog()) != FALSE, "a new calibration started");
    });
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(4, 3));
    EXPECT_EQ(session_.boxes().size(), 1u);
}

TEST_F(CalibrationTest, AnEarlyVerdictEndsTheRunAtOnce) {
    Script({.answer = Answer::Success, .earlyVerdictAtPoint = 1});
    session_.AnswerBoxesWith({IDOK});
    session_.Run([&](Driver& driver) {
        // The verdict may come before this thread sees the window: wait for the box instead.
        driver.PressButton(IDC_CALIBRATE_16);
        driver.WaitForBoxes(1);
        driver.WaitForMainDialogEnabled();
    });
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(16, 0));
    ASSERT_EQ(session_.boxes().size(), 1u);
    EXPECT_EQ(session_.boxes()[0].text, L"Calibration succeed!");
    EXPECT_EQ(session_.boxes()[0].owner, BoxOwner::CalibrationWindow);
}

TEST_F(CalibrationTest, RepliesWithoutAVerdictAreIgnoredAndTheRunGoesOn) {
    Script({.answer = Answer::Success,
            .reportsBeforeVerdict = {MakeReply(0xAA, 0xF1, 0x05), MakeReply(0xAB, 0xF1, 0xFF)}});
    session_.AnswerBoxesWith({IDOK});
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_4);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        // Not verdicts either, in the middle of the run.
        session_.peer().QueueReport(MakeReply(0xAA, 0xF1, 0x77));
        session_.peer().QueueReport(MakeReply(0xAA, 0xF0, 0x00));
        driver.TouchTargets(window, 4, 0, 3);
        driver.WaitForBoxes(1);
        driver.WaitForWindowGone(window);
    });
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(4, 3));
    ASSERT_EQ(session_.boxes().size(), 1u);
    EXPECT_EQ(session_.boxes()[0].text, L"Calibration succeed!");
}

// Touches the run must not take: too few moves, or a lift-off 50 pixels from a move.
TEST_F(CalibrationTest, ShortOrUnsteadyTouchesSendNothing) {
    Script({.answer = Answer::Silent});
    std::size_t afterTouches = 0;
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_9);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        driver.WaitForReceived(2);
        driver.Touch(window, POINT{500, 500}, 10);
        const LPARAM at = MAKELPARAM(500, 500);
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        for (int i = 0; i < 12; ++i) {
            PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, at);
        }
        PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(530, 540));
        // Moves without the button held are no touch either.
        for (int i = 0; i < 12; ++i) {
            PostMessageW(window, WM_MOUSEMOVE, 0, at);
        }
        PostMessageW(window, WM_LBUTTONUP, 0, at);
        // A steady touch afterwards is accepted: the ones before were all handled by then.
        driver.Touch(window, POINT{500, 500});
        driver.WaitForReceived(3);
        afterTouches = session_.peer().ReceivedCount();
    });
    EXPECT_EQ(afterTouches, 3u);
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(9, 1));
}

TEST_F(CalibrationTest, EscapeMidRunLeavesTheNextReplyToTheResetExchange) {
    Script({.answer = Answer::Success}, {.answer = Answer::Success});
    session_.AnswerBoxesWith({IDOK});
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_9);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        driver.TouchTargets(window, 9, 0, 2);
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        driver.WaitForWindowGone(window);
        driver.WaitForMainDialogEnabled();
        driver.PressButton(IDC_RESET);
        driver.WaitForBoxes(1);
    });
    auto expected = CalibrationSession::ExpectedFrames(9, 3);
    expected.push_back(Frame(BuildResetFrame()));
    EXPECT_EQ(session_.received(), expected);
    ASSERT_EQ(session_.boxes().size(), 1u);
    EXPECT_EQ(session_.boxes()[0].text, L"Reset succeed");
    EXPECT_EQ(session_.boxes()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(session_.boxes()[0].owner, BoxOwner::MainDialog);
}

TEST_F(CalibrationTest, RemovingTheControllerEndsTheRunAndDisablesTheButtons) {
    Script({.answer = Answer::Success});
    std::vector<bool> enabled;
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_9);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        driver.TouchTargets(window, 9, 0, 1);
        const Broadcast removal = InterfaceBroadcast(session_.peer().path());
        SendMessageW(driver.mainDialog(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                     reinterpret_cast<LPARAM>(removal.data()));
        driver.WaitForWindowGone(window);
        driver.WaitForMainDialogEnabled();
        for (int id = IDC_CALIBRATE_4; id <= IDC_CALIBRATE_20; ++id) {
            enabled.push_back(IsWindowEnabled(GetDlgItem(driver.mainDialog(), id)) != FALSE);
        }
        enabled.push_back(IsWindowEnabled(GetDlgItem(driver.mainDialog(), IDC_QUIT)) != FALSE);
    });
    EXPECT_EQ(enabled,
              (std::vector<bool>{false, false, false, false, false, false, false, false, true}));
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(9, 2));
    EXPECT_TRUE(session_.boxes().empty());
}

// Command buttons 1000..1007, then Quit, as the main dialog shows them now.
std::vector<bool> ButtonStates(HWND mainDialog) {
    std::vector<bool> enabled;
    for (int id = IDC_CALIBRATE_4; id <= IDC_CALIBRATE_20; ++id) {
        enabled.push_back(IsWindowEnabled(GetDlgItem(mainDialog, id)) != FALSE);
    }
    enabled.push_back(IsWindowEnabled(GetDlgItem(mainDialog, IDC_QUIT)) != FALSE);
    return enabled;
}

const std::vector<bool> kOnlyQuitEnabled = {false, false, false, false, false,
                                            false, false, false, true};

// The controller's end of the link breaks without any removal notice: the request that meets
// the broken link releases the controller exactly as a removal would.
struct BrokenLinkCase {
    const char* name;
    bool duringCalibration;  // else: the Reset button meets it
};

class BrokenLinkTest : public CalibrationTest,
                       public testing::WithParamInterface<BrokenLinkCase> {};

TEST_P(BrokenLinkTest, ReleasesTheControllerAsARemovalDoes) {
    Script({.answer = Answer::Success}, {.answer = Answer::Success});
    std::vector<bool> enabled;
    std::size_t received = 0;
    std::wstring statusLine;
    session_.Run([&](Driver& driver) {
        if (GetParam().duringCalibration) {
            driver.PressButton(IDC_CALIBRATE_9);
            HWND window = driver.WaitForCalibrationWindow();
            if (window == nullptr) {
                return;
            }
            driver.TouchTargets(window, 9, 0, 1);
            session_.peer().Disconnect();
            driver.WaitForWindowGone(window);
        } else {
            session_.peer().Disconnect();
            driver.PressButton(IDC_RESET);
        }
        driver.WaitForMainDialogEnabled();
        // The buttons are disabled in order, the last one last.
        automation::WaitUntil(UI_TIMEOUT, [&] {
            return !IsWindowEnabled(GetDlgItem(driver.mainDialog(), IDC_CALIBRATE_20));
        });
        enabled = ButtonStates(driver.mainDialog());
        received = session_.peer().ReceivedCount();
        wchar_t text[64] = {};
        GetDlgItemTextW(driver.mainDialog(), IDC_STATUS_LINE, text, 64);
        statusLine = text;
    });
    EXPECT_EQ(enabled, kOnlyQuitEnabled);
    EXPECT_EQ(received, GetParam().duringCalibration ? 4u : 0u);
    EXPECT_EQ(statusLine, L"No touch controller found");
    EXPECT_TRUE(session_.boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Requests, BrokenLinkTest,
                         testing::Values(BrokenLinkCase{"DuringACalibration", true},
                                         BrokenLinkCase{"OnReset", false}),
                         [](const testing::TestParamInfo<BrokenLinkCase>& param) {
                             return param.param.name;
                         });

// A verdict that waits in the pipe before the run starts (left by an earlier run or sent
// unasked) is not this run's verdict: the run shows the one its own touches bring.
TEST_F(CalibrationTest, AVerdictQueuedBeforeTheRunIsNotItsVerdict) {
    Script({.answer = Answer::Failure});
    session_.AnswerBoxesWith({IDNO});
    session_.peer().QueueReport(sim::VerdictReply(VERDICT_SUCCESS));
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_4);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        driver.TouchTargets(window, 4, 0, 3);
        driver.WaitForBoxes(1);
        driver.WaitForWindowGone(window);
    });
    ASSERT_EQ(session_.boxes().size(), 1u);
    EXPECT_EQ(session_.boxes()[0].text, L"Calibration failed,retry again?");
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(4, 3));
}

// A start that reaches the main dialog while a calibration runs (the start message, a button
// command) does not nest a second window and is not kept for later either.
TEST_F(CalibrationTest, AStartWhileACalibrationRunsStartsNothing) {
    Script({.answer = Answer::Silent});
    bool nested = true;
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_9);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        driver.WaitForReceived(2);
        PostMessageW(driver.mainDialog(), win32::WM_START_CALIBRATION, 0, 4);
        driver.PressButton(IDC_CALIBRATE_16);
        nested = false;
        // A nested window runs inside the first one's handler: it must end first.
        for (HWND extra = driver.WaitForCalibrationWindow(window, 1s); extra != nullptr;
             extra = driver.WaitForCalibrationWindow(window, 1s)) {
            nested = true;
            PostMessageW(extra, WM_KEYDOWN, VK_ESCAPE, 0);
            driver.WaitForWindowGone(extra);
        }
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        driver.WaitForWindowGone(window);
        driver.WaitForMainDialogEnabled();
        nested = nested || driver.WaitForCalibrationWindow(window, 1s) != nullptr;
    });
    EXPECT_FALSE(nested) << "a second calibration window opened";
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(9, 0));
}

// The user leaves the retry question open and the controller is pulled meanwhile: the run
// ends with the box, and no new calibration starts on the Yes that follows.
TEST_F(CalibrationTest, RemovalWhileTheRetryQuestionIsUpStartsNoRetry) {
    Script({.answer = Answer::Failure});
    session_.AnswerBoxesWith({IDYES});
    HWND mainDialog = nullptr;
    const Broadcast removal = InterfaceBroadcast(session_.peer().path());
    session_.WhileBoxIsUp([&] {
        SendMessageW(mainDialog, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                     reinterpret_cast<LPARAM>(removal.data()));
    });
    bool buttonEnabled = true;
    session_.Run([&](Driver& driver) {
        mainDialog = driver.mainDialog();
        driver.PressButton(IDC_CALIBRATE_4);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        driver.TouchTargets(window, 4, 0, 3);
        driver.WaitForBoxes(1);
        driver.WaitForWindowGone(window);
        driver.WaitForMainDialogEnabled();
        buttonEnabled = IsWindowEnabled(GetDlgItem(mainDialog, IDC_CALIBRATE_4)) != FALSE;
        // A retry would have been posted behind the close: give it the chance to show.
        driver.Check(!IsWindow(driver.WaitForCalibrationWindow(window, 1s)),
                     "a retry started without a controller");
    });
    EXPECT_FALSE(buttonEnabled);
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(4, 3));
}

// Mouse messages that the system makes from a touch or a pen carry a signature in their extra
// info; the touch came as WM_TOUCH already, so they must not count a second time.
TEST_F(CalibrationTest, MouseInputMadeFromTouchIsIgnored) {
    Script({.answer = Answer::Silent});
    std::size_t receivedAtEnd = 0;
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_9);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        driver.WaitForReceived(2);
        SetForegroundWindow(window);
        driver.SendMouseTouch(POINT{400, 300}, TOUCH_OR_PEN_SIGNATURE);
        driver.SendMouseTouch(POINT{400, 300}, 0);
        driver.WaitForReceived(3);
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        driver.WaitForWindowGone(window);
        receivedAtEnd = session_.peer().ReceivedCount();
    });
    EXPECT_EQ(receivedAtEnd, 3u) << "the touch's mouse messages were taken as a second touch";
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(9, 1));
}

// Real mouse input through the system: a second press soon after the first at the same place
// arrives as a double click, and is a touch-down all the same.
TEST_F(CalibrationTest, TwoQuickTouchesAtOnePlaceAreTwoTouches) {
    Script({.answer = Answer::Silent});
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_9);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        driver.WaitForReceived(2);
        SetForegroundWindow(window);
        driver.SendMouseTouch(POINT{700, 500}, 0);
        driver.SendMouseTouch(POINT{700, 500}, 0);
        driver.WaitForReceived(4);
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        driver.WaitForWindowGone(window);
    });
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(9, 2));
}

TEST_F(CalibrationTest, StartCalibrationMessageRunsOnlyTheOfferedCounts) {
    Script({.answer = Answer::Silent});
    std::vector<LRESULT> results;
    session_.Run([&](Driver& driver) {
        for (LPARAM count : {0, 7, -9, 26}) {
            results.push_back(
                SendMessageW(driver.mainDialog(), win32::WM_START_CALIBRATION, 0, count));
        }
        driver.Check(session_.peer().ReceivedCount() == 0, "a refused count sent frames");
        PostMessageW(driver.mainDialog(), win32::WM_START_CALIBRATION, 0, 9);
        HWND window = driver.WaitForCalibrationWindow();
        driver.WaitForReceived(2);
        if (window != nullptr) {
            PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
            driver.WaitForWindowGone(window);
        }
    });
    EXPECT_EQ(results, (std::vector<LRESULT>{0, 0, 0, 0}));
    EXPECT_EQ(session_.received(), CalibrationSession::ExpectedFrames(9, 0));
}

}  // namespace
}  // namespace norvessa::test
