// A controller whose OUT endpoint stalls, behind a driver that does not let go of a write it was
// asked to cancel: a reset frame that timed out still reaches the controller later, and its
// answer, AA F1 FF, is a calibration's success verdict byte for byte. The Reset button says
// "Reset failed"; the next calibration must not open behind that write and report success
// untouched, and once the write has gone out its answer must not count for the calibration after.
#include <gtest/gtest.h>

#include "calibration_session.h"
#include "controller/win32/controller_state.h"
#include "pipe_controller.h"
#include "protocol/win32/overlapped_io.h"
#include "resource.h"
#include "window_queries.h"

namespace norvessa::test {
namespace {

BOOL WINAPI NeverCancels(HANDLE, LPOVERLAPPED) {
    return TRUE;
}

std::vector<std::uint8_t> Frame(const CalibrationFrame& frame) {
    return {frame.begin(), frame.end()};
}

TEST(StuckWriteTest, AResetFrameStuckInTheSystemNeverPassesACalibration) {
    // The pipe holds one report; with its reader stopped, every later write stays pending.
    CalibrationSession session(FRAME_SIZE);
    session.SetWriteCancel(&NeverCancels);
    session.peer().With([](sim::SimulatedController& c) {
        c.SetCalibrationScript({.answer = sim::Answer::Failure});
    });
    session.peer().PauseReading(true);
    session.AnswerBoxesWith({IDOK, IDOK, IDOK, IDOK, IDOK});
    std::size_t resets = 0;
    bool openedBehindTheStuckWrite = false;
    session.Run([&](Driver& driver) {
        const unsigned leakedBefore = OverlappedOperation::leakedCount();
        while (resets < 4 && OverlappedOperation::leakedCount() == leakedBefore) {
            driver.PressButton(IDC_RESET);
            if (!driver.WaitForBoxes(++resets)) {
                return;
            }
        }
        driver.Check(OverlappedOperation::leakedCount() > leakedBefore, "no reset frame stuck");

        driver.PressButton(IDC_CALIBRATE_4);
        HWND main = driver.mainDialog();
        automation::WaitUntil(10s, [&] {
            openedBehindTheStuckWrite =
                automation::FindTopLevelWindow([&](HWND hwnd) {
                    return automation::IsVisibleDialogOf(hwnd, GetCurrentProcessId()) &&
                           GetWindow(hwnd, GW_OWNER) == main;
                }) != nullptr;
            return openedBehindTheStuckWrite || session.boxes().size() > resets;
        });
        // The controller reads again: the stuck frame goes out, and every reset is answered.
        session.peer().PauseReading(false);
        driver.WaitForReceived(resets);
        driver.Check(WaitForReportAvailable(g_readDevice.handle, UI_TIMEOUT,
                                            static_cast<DWORD>(resets * FRAME_SIZE)),
                     "the answers to the reset frames are not all waiting");
        if (openedBehindTheStuckWrite) {
            return;
        }

        session.AnswerBoxesWith({IDNO});
        driver.PressButton(IDC_CALIBRATE_4);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        driver.TouchTargets(window, 4, 0, 3);
        driver.WaitForBoxes(resets + 2);
        driver.WaitForWindowGone(window);
    });

    EXPECT_EQ(session.failures(), std::vector<std::string>{});
    EXPECT_FALSE(openedBehindTheStuckWrite) << "a calibration opened behind the stuck write";
    std::vector<std::wstring> texts;
    for (const ShownBox& box : session.boxes()) {
        texts.push_back(box.text);
    }
    // The answers to the resets were dropped: only the controller's own verdict counts.
    std::vector<std::wstring> expectedTexts(resets, L"Reset failed");
    expectedTexts.push_back(L"The touch controller is not responding");
    expectedTexts.push_back(L"Calibration failed,retry again?");
    EXPECT_EQ(texts, expectedTexts);
    if (session.boxes().size() > resets) {
        EXPECT_EQ(session.boxes()[resets].owner, BoxOwner::MainDialog);
    }
    auto expected = std::vector<std::vector<std::uint8_t>>(resets, Frame(BuildResetFrame()));
    for (const auto& frame : CalibrationSession::ExpectedFrames(4, 3)) {
        expected.push_back(frame);
    }
    EXPECT_EQ(session.received(), expected) << "the refused calibration sent frames";
}

}  // namespace
}  // namespace norvessa::test
