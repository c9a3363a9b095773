// The dialog layer inside its own process: a probe dialog whose message map binds a few
// messages and a button, driven by a script that runs in its WM_INITDIALOG.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "test_dialogs.h"
#include "ui/win32/modal_dialog.h"
#include "ui/win32/resource_string.h"

namespace norvessa::win32 {

namespace {

constexpr UINT WM_PROBE_DOUBLE = WM_USER + 101;  // answers 2 * lParam
constexpr UINT WM_PROBE_END = WM_USER + 103;     // ends the dialog with lParam
constexpr UINT WM_PROBE_THROW = WM_USER + 5;     // throws from its handler
constexpr LRESULT PROBE_DRAG_ICON = 0x1234;

class ProbeDialog : public CModalDialog {
  public:
    using Script = std::function<void(HWND dialog)>;

    explicit ProbeDialog(Script script, UINT templateId = IDD_PROBE)
        : CModalDialog(templateId), script_(std::move(script)) {}

    std::vector<std::string> calls;

  protected:
    BOOL OnInitDialog() override {
        script_(GetSafeHwnd());
        return TRUE;
    }

    std::optional<MessageResult> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (auto answer = DispatchMessageMap(*this, GetMessageMap(), message, wParam, lParam)) {
            return answer;
        }
        return CModalDialog::OnMessage(message, wParam, lParam);
    }

  private:
    static const MessageMap<ProbeDialog>& GetMessageMap() {
        static constexpr MessageEntry<ProbeDialog> messages[] = {
            {WM_PROBE_DOUBLE, &ProbeDialog::OnDouble},
            {WM_PROBE_END, &ProbeDialog::OnEnd},
            {WM_PROBE_THROW, &ProbeDialog::OnThrow},
            {WM_QUERYDRAGICON, &ProbeDialog::OnQueryDragIcon},
            {WM_CLOSE, &ProbeDialog::OnClose},
        };
        static constexpr CommandEntry<ProbeDialog> commands[] = {
            {IDC_PROBE_BUTTON, BN_CLICKED, &ProbeDialog::OnProbeClicked},
        };
        static constexpr MessageMap<ProbeDialog> map{messages, commands};
        return map;
    }

    MessageResult OnDouble(WPARAM, LPARAM lParam) {
        calls.push_back("double");
        return MessageResult::Handled(2 * lParam);
    }
    MessageResult OnEnd(WPARAM, LPARAM lParam) {
        calls.push_back("end");
        EndDialog(lParam);
        return MessageResult::Handled();
    }
    MessageResult OnThrow(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }
    MessageResult OnQueryDragIcon(WPARAM, LPARAM) {
        return MessageResult::Handled(PROBE_DRAG_ICON);
    }
    MessageResult OnClose(WPARAM, LPARAM) {
        calls.push_back("close");
        return MessageResult::Default();
    }
    void OnProbeClicked() { calls.push_back("clicked"); }

    Script script_;
};

TEST(DialogLayerTest, BoundMessagesAndCommandsReachTheirHandlersAndReturnTheirResults) {
    LRESULT doubled = 0;
    LRESULT dragIcon = 0;
    ProbeDialog dialog([&](HWND hwnd) {
        doubled = SendMessageW(hwnd, WM_PROBE_DOUBLE, 0, 21);
        dragIcon = SendMessageW(hwnd, WM_QUERYDRAGICON, 0, 0);
        HWND button = GetDlgItem(hwnd, IDC_PROBE_BUTTON);
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_PROBE_BUTTON, BN_SETFOCUS),
                     reinterpret_cast<LPARAM>(button));
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_PROBE_BUTTON, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        PostMessageW(hwnd, WM_PROBE_END, 0, 77);
    });

    EXPECT_EQ(dialog.DoModal(), 77);
    EXPECT_EQ(doubled, 42) << "a handler's result must reach the sender through DWLP_MSGRESULT";
    EXPECT_EQ(dragIcon, PROBE_DRAG_ICON) << "WM_QUERYDRAGICON returns its result directly";
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"double", "clicked", "end"}));
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

struct UnboundEnding {
    const char* name;
    void (*end)(HWND dialog);
    INT_PTR result;
};

const UnboundEnding kUnboundEndings[] = {
    {"OkCommand",
     [](HWND hwnd) { PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }, IDOK},
    {"CancelCommand",
     [](HWND hwnd) { PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); },
     IDCANCEL},
    {"EscapeKey",
     [](HWND hwnd) {
         PostMessageW(GetDlgItem(hwnd, IDC_PROBE_BUTTON), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
     },
     IDCANCEL},
    {"CloseMessage", [](HWND hwnd) { PostMessageW(hwnd, WM_CLOSE, 0, 0); }, IDCANCEL},
};

class UnboundEndingTest : public testing::TestWithParam<UnboundEnding> {};

TEST_P(UnboundEndingTest, EndsTheDialogThroughTheDefaultOkAndCancelHandling) {
    ProbeDialog dialog(GetParam().end);
    EXPECT_EQ(dialog.DoModal(), GetParam().result);
}

std::string CaseName(const testing::TestParamInfo<UnboundEnding>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Way, UnboundEndingTest, testing::ValuesIn(kUnboundEndings), CaseName);

TEST(DialogLayerTest, DefaultAnswerHandsTheMessageToThePlatform) {
    ProbeDialog dialog([](HWND hwnd) { PostMessageW(hwnd, WM_CLOSE, 0, 0); });
    // The platform turns WM_CLOSE into IDCANCEL only if the handler let it through.
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.calls, std::vector<std::string>{"close"});
}

TEST(DialogLayerTest, HandlerExceptionEndsTheDialogAndLeavesDoModal) {
    ProbeDialog dialog([](HWND hwnd) { PostMessageW(hwnd, WM_PROBE_THROW, 0, 0); });
    EXPECT_THROW(dialog.DoModal(), std::runtime_error);
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

TEST(DialogLayerTest, InitialisationExceptionLeavesDoModal) {
    ProbeDialog dialog([](HWND) { throw std::logic_error("initialisation failed"); });
    EXPECT_THROW(dialog.DoModal(), std::logic_error);
}

TEST(DialogLayerTest, DialogRunsAgainAfterAnException) {
    bool fail = true;
    ProbeDialog dialog(
        [&](HWND hwnd) { PostMessageW(hwnd, fail ? WM_PROBE_THROW : WM_PROBE_END, 0, 5); });
    EXPECT_THROW(dialog.DoModal(), std::runtime_error);
    fail = false;
    EXPECT_EQ(dialog.DoModal(), 5);
}

TEST(DialogLayerTest, MissingTemplateGivesMinusOne) {
    constexpr UINT NO_SUCH_TEMPLATE = 4242;
    ProbeDialog dialog([](HWND) { ADD_FAILURE() << "no dialog should start"; }, NO_SUCH_TEMPLATE);
    EXPECT_EQ(dialog.DoModal(), -1);
}

TEST(ResourceStringTest, LoadsTheStringOrNothing) {
    HINSTANCE self = GetModuleHandleW(nullptr);
    EXPECT_EQ(LoadResourceString(self, IDS_PROBE_TEXT), L"Probe text 探针");
    EXPECT_EQ(LoadResourceString(self, IDS_PROBE_MISSING), L"");
}

}  // namespace

}  // namespace norvessa::win32
