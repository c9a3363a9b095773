// The calibration window for a person at the screen: a contact is accepted by how long and how
// still it was held, not by how many move events arrived; a run nobody touches ends by itself
// and says so; the main window's status line follows the controller. Mouse messages are the
// one contact source Wine delivers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calibration_session.h"
#include "resource.h"
#include "test_window.h"

namespace norvessa::test {
namespace {

using sim::Answer;

enum class Step { Down, Move, Up };

struct ContactStep {
    Step step;
    POINT offset;  // from the target
    DWORD waitAfterMs;
};

struct ContactCase {
    const char* name;
    std::vector<ContactStep> steps;
    bool accepted;
    // A refusal that rests on the gap after this step being short: a driver thread kept from
    // running for longer than kMaxGapMs there makes the attempt count for nothing.
    int shortGapAfter = -1;
};

constexpr DWORD kMaxGapMs = 80;

std::wstring StatusLine(HWND dialog) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, IDC_STATUS_LINE, text, 256);
    return text;
}

class HeldContactTest : public testing::Test {
  protected:
    void TearDown() override {
        std::string failures;
        for (const std::string& line : session_.failures()) {
            failures += line + "\n";
        }
        EXPECT_EQ(failures, "");
    }

    CalibrationSession session_;
};

// Posts the steps at `at`; false when a gap the case relies on came out too long.
bool PlayContact(HWND window, POINT at, const ContactCase& contact) {
    bool gapsHeld = true;
    for (std::size_t i = 0; i < contact.steps.size(); ++i) {
        const ContactStep& s = contact.steps[i];
        const LPARAM position = MAKELPARAM(at.x + s.offset.x, at.y + s.offset.y);
        const UINT message = s.step == Step::Down   ? WM_LBUTTONDOWN
                             : s.step == Step::Move ? WM_MOUSEMOVE
                                                    : WM_LBUTTONUP;
        const WPARAM buttons = s.step == Step::Up ? 0 : MK_LBUTTON;
        const ULONGLONG posted = GetTickCount64();
        PostMessageW(window, message, buttons, position);
        Sleep(s.waitAfterMs);
        if (static_cast<int>(i) == contact.shortGapAfter && i + 1 < contact.steps.size() &&
            GetTickCount64() - posted > kMaxGapMs) {
            gapsHeld = false;
        }
    }
    return gapsHeld;
}

TEST_F(HeldContactTest, AcceptanceDependsOnHoldingStillNotOnEventCounts) {
    const POINT here{0, 0};
    const std::vector<ContactCase> cases = {
        {"a still contact, no moves, lifted after 150 ms",
         {{Step::Down, here, 150}, {Step::Up, here, 0}},
         true},
        {"a 20 ms tap", {{Step::Down, here, 20}, {Step::Up, here, 0}}, false, 0},
        {"a contact held, then drifting 60 px before the lift",
         {{Step::Down, here, 150}, {Step::Move, {60, 0}, 0}, {Step::Up, {60, 0}, 0}},
         false,
         1},
        {"a held contact whose moves came as one coalesced move",
         {{Step::Down, here, 150}, {Step::Move, {30, 20}, 0}, {Step::Up, {30, 20}, 0}},
         true},
    };
    const TargetTable targets = CalibrationSession::Targets(25);
    std::vector<std::string> wrong;
    std::size_t sent = 0;
    session_.peer().With(
        [](sim::SimulatedController& c) { c.SetCalibrationScript({.answer = Answer::Silent}); });
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_25);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr || !driver.WaitForReceived(2)) {
            return;
        }
        for (const ContactCase& contact : cases) {
            bool played = false;
            for (int attempt = 0; attempt < 5 && !played; ++attempt) {
                const std::size_t before = session_.peer().ReceivedCount();
                const int target = static_cast<int>(before) - 2;
                const POINT at{targets.x[target], targets.y[target]};
                played = PlayContact(window, at, contact);
                if (!played) {
                    Sleep(300);  // let whatever the late attempt did arrive, then play it again
                    continue;
                }
                bool accepted = true;
                if (!contact.accepted) {
                    // A steady touch after it: a second frame shows that the case sent one too.
                    driver.Touch(window, at);
                    driver.WaitForReceived(before + 1);
                    accepted = session_.peer().WaitForReceived(before + 2, 1s);
                } else {
                    accepted = session_.peer().WaitForReceived(before + 1, UI_TIMEOUT);
                }
                if (accepted != contact.accepted) {
                    wrong.push_back(contact.name);
                }
            }
            driver.Check(played, std::string(contact.name) + ": the driver was never on time");
        }
        sent = session_.peer().ReceivedCount();
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        driver.WaitForWindowGone(window);
    });
    EXPECT_EQ(wrong, std::vector<std::string>{});
    ASSERT_GE(sent, 2u);
    EXPECT_EQ(session_.received(),
              CalibrationSession::ExpectedFrames(25, static_cast<int>(sent) - 2));
}

// Nobody touches the window, or the verdict does not come after the last target: the run ends
// as Escape ends it, and the main dialog says why.
TEST_F(HeldContactTest, AnUntouchedRunOrAMissingVerdictTimesOut) {
    session_.peer().With(
        [](sim::SimulatedController& c) { c.SetCalibrationScript({.answer = Answer::Silent}); });
    session_.SetCalibrationTimeout(1500);
    session_.AnswerBoxesWith({IDOK, IDOK});
    session_.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_4);
        HWND untouched = driver.WaitForCalibrationWindow();
        if (untouched == nullptr) {
            return;
        }
        driver.WaitForWindowGone(untouched);
        driver.WaitForBoxes(1);
        driver.WaitForMainDialogEnabled();
        driver.PressButton(IDC_CALIBRATE_4);
        HWND unanswered = driver.WaitForCalibrationWindow(untouched);
        if (unanswered == nullptr) {
            return;
        }
        driver.TouchTargets(unanswered, 4, 0, 3);
        driver.WaitForWindowGone(unanswered);
        driver.WaitForBoxes(2);
        driver.WaitForMainDialogEnabled();
    });
    auto expected = CalibrationSession::ExpectedFrames(4, 0);
    const auto whole = CalibrationSession::ExpectedFrames(4, 3);
    expected.insert(expected.end(), whole.begin(), whole.end());
    EXPECT_EQ(session_.received(), expected);
    const auto boxes = session_.boxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const ShownBox& box : boxes) {
        EXPECT_EQ(box.text, L"Calibration timed out");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK));
        EXPECT_EQ(box.owner, BoxOwner::MainDialog);
    }
}

TEST_F(HeldContactTest, StatusLineFollowsTheController) {
    std::vector<std::wstring> lines;
    session_.Run([&](Driver& driver) {
        HWND dialog = driver.mainDialog();
        lines.push_back(StatusLine(dialog));
        const Broadcast removal = InterfaceBroadcast(session_.peer().path());
        SendMessageW(dialog, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE,
                     reinterpret_cast<LPARAM>(removal.data()));
        lines.push_back(StatusLine(dialog));
        const LONG_PTR style = GetWindowLongPtrW(GetDlgItem(dialog, IDC_STATUS_LINE), GWL_STYLE);
        driver.Check((style & WS_TABSTOP) == 0, "the status line is a tab stop");
    });
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"Touch controller connected",
                                                L"No touch controller found"}));
}

}  // namespace
}  // namespace norvessa::test
