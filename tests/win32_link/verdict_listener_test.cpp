// The verdict listener against the simulated controller behind its pipe: which replies it acts
// on, and that stopping it leaves the handle to the next reader and nothing behind.
#include "protocol/win32/verdict_listener.h"

#include <gtest/gtest.h>

#include "controller/win32/device_gone.h"
#include "pipe_controller.h"
#include "process_handles.h"
#include "test_window.h"

namespace norvessa::win32 {
namespace {

using namespace std::chrono_literals;
using sim::MakeReply;
using sim::VerdictReply;
using test::PipeController;

constexpr UINT VERDICT_MESSAGE = WM_APP + 7;

// A message-only window whose posted verdicts the test thread collects.
class VerdictInbox {
  public:
    VerdictInbox()
        : hwnd_(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr)) {}
    ~VerdictInbox() { DestroyWindow(hwnd_); }
    VerdictInbox(const VerdictInbox&) = delete;
    VerdictInbox& operator=(const VerdictInbox&) = delete;

    HWND hwnd() const { return hwnd_; }

    // The wParam of the next verdict message, or nullopt after the time-out.
    std::optional<WPARAM> Next(std::chrono::milliseconds timeout) const {
        const std::optional<MSG> message = NextMessage(timeout);
        return message ? std::optional<WPARAM>(message->wParam) : std::nullopt;
    }

    std::optional<MSG> NextMessage(std::chrono::milliseconds timeout) const {
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            MSG message{};
            if (PeekMessageW(&message, hwnd_, VERDICT_MESSAGE, VERDICT_MESSAGE, PM_REMOVE)) {
                return message;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return std::nullopt;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()),
                                      QS_POSTMESSAGE);
        }
    }

  private:
    HWND hwnd_;
};

class VerdictListenerTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!test::HaveDisplay()) {
            GTEST_SKIP() << "Wine has no display: no window to post to";
        }
        ASSERT_NE(inbox_.emplace().hwnd(), nullptr);
    }
    HWND inbox() const { return inbox_->hwnd(); }

    std::optional<VerdictInbox> inbox_;
    PipeController controller_;
};

struct ReplyCase {
    const char* name;
    std::vector<ReplyFrame> replies;
    WPARAM verdict;
};

class ListenerRepliesTest : public VerdictListenerTest,
                            public testing::WithParamInterface<ReplyCase> {};

TEST_P(ListenerRepliesTest, PostsTheFirstVerdictAndSkipsTheRest) {
    VerdictListener listener;
    ASSERT_TRUE(listener.Start(controller_.host.get(), inbox(), VERDICT_MESSAGE));
    for (const ReplyFrame& reply : GetParam().replies) {
        controller_.peer->QueueReport(reply);
    }

    EXPECT_EQ(inbox_->Next(test::PEER_TIMEOUT), GetParam().verdict);
    listener.Stop();
    EXPECT_EQ(inbox_->Next(200ms), std::nullopt) << "more than one verdict";
}

const ReplyCase kReplyCases[] = {
    {"Success", {VerdictReply(VERDICT_SUCCESS)}, VerdictListener::SUCCESS},
    {"Failure", {VerdictReply(VERDICT_FAILURE)}, VerdictListener::FAILURE},
    {"NoVerdictsFirst",
     {MakeReply(0xAA, 0xF1, 0x77), MakeReply(0xAA, 0xF1, 0x05), MakeReply(0xAB, 0xF1, 0xFF),
      MakeReply(0xAA, 0xF0, 0x00), VerdictReply(VERDICT_FAILURE)},
     VerdictListener::FAILURE},
    {"OnlyTheFirstVerdictCounts",
     {VerdictReply(VERDICT_SUCCESS), VerdictReply(VERDICT_FAILURE)},
     VerdictListener::SUCCESS},
};

INSTANTIATE_TEST_SUITE_P(Replies, ListenerRepliesTest, testing::ValuesIn(kReplyCases),
                         [](const testing::TestParamInfo<ReplyCase>& param) {
                             return param.param.name;
                         });

// What a dialog ended by Escape needs: after Stop, the next reply (the reset's, say) goes to
// the next reader, and the stopped listener posts nothing.
TEST_F(VerdictListenerTest, AStoppedListenerLeavesTheNextReplyToTheNextReader) {
    VerdictListener listener;
    ASSERT_TRUE(listener.Start(controller_.host.get(), inbox(), VERDICT_MESSAGE));
    Sleep(100);  // let its read start, so Stop has one to cancel
    const auto start = std::chrono::steady_clock::now();
    listener.Stop();
    EXPECT_LT(test::ElapsedMs(start), 2000);
    EXPECT_FALSE(listener.running());

    controller_.peer->QueueReport(VerdictReply(VERDICT_SUCCESS));
    const std::optional<ReplyFrame> next = test::ReadHostReport(controller_.host.get(), 5000);
    ASSERT_TRUE(next.has_value()) << "the stopped listener took the reply";
    EXPECT_EQ(ParseReply(*next), Verdict::Success);
    EXPECT_EQ(inbox_->Next(200ms), std::nullopt);
}

struct BrokenCase {
    const char* name;
    void (*breakIt)(PipeController&, HANDLE& handle);
    bool gone;  // the error posted is a device-gone error
};

const BrokenCase kBrokenCases[] = {
    {"NoHandle", [](PipeController&, HANDLE& handle) { handle = INVALID_HANDLE_VALUE; }, false},
    {"ControllerGone", [](PipeController& c, HANDLE&) { c.peer->Disconnect(); }, true},
};

class ListenerWithoutControllerTest : public VerdictListenerTest,
                                      public testing::WithParamInterface<BrokenCase> {};

// A read that cannot start or fails ends the listener with one READ_FAILED post naming the
// error, which tells a controller that is gone from one that is not: it neither spins nor stays
// silent, and stopping it afterwards is immediate.
TEST_P(ListenerWithoutControllerTest, PostsTheFailureOnce) {
    HANDLE handle = controller_.host.get();
    GetParam().breakIt(controller_, handle);
    VerdictListener listener;
    ASSERT_TRUE(listener.Start(handle, inbox(), VERDICT_MESSAGE));

    const std::optional<MSG> failure = inbox_->NextMessage(test::PEER_TIMEOUT);
    ASSERT_TRUE(failure.has_value()) << "the failure was not posted";
    EXPECT_EQ(failure->wParam, VerdictListener::READ_FAILED);
    EXPECT_EQ(IsDeviceGoneError(static_cast<DWORD>(failure->lParam)), GetParam().gone)
        << "error " << failure->lParam;
    const auto start = std::chrono::steady_clock::now();
    listener.Stop();
    EXPECT_LT(test::ElapsedMs(start), 2000);
    EXPECT_EQ(inbox_->Next(200ms), std::nullopt) << "more than one post";
}

INSTANTIATE_TEST_SUITE_P(Broken, ListenerWithoutControllerTest, testing::ValuesIn(kBrokenCases),
                         [](const testing::TestParamInfo<BrokenCase>& param) {
                             return param.param.name;
                         });

// A handle whose every read completes at once with the same report that is no verdict, as a
// controller streaming reports would keep it: a file of one report, read at offset 0 each time.
UniqueFileHandle AlwaysReadyReports() {
    wchar_t directory[MAX_PATH] = {};
    wchar_t path[MAX_PATH] = {};
    if (GetTempPathW(MAX_PATH, directory) == 0 ||
        GetTempFileNameW(directory, L"nvr", 0, path) == 0) {
        return {};
    }
    UniqueFileHandle file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_FLAG_OVERLAPPED | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    const ReplyFrame report = MakeReply(0xAA, 0xF1, 0x05);
    OverlappedOperation write;
    if (!file || !write.StartWrite(file.get(), report.data(), FRAME_SIZE) ||
        write.Wait(5000) != WAIT_OBJECT_0 || write.Collect() != std::optional<DWORD>(FRAME_SIZE)) {
        return {};
    }
    return file;
}

// While reports keep coming, Stop still ends the thread at once: it does not start another
// read, rather than go on reading a handle its owner is about to close.
TEST_F(VerdictListenerTest, StopEndsTheThreadWhileReportsKeepComing) {
    const UniqueFileHandle reports = AlwaysReadyReports();
    ASSERT_TRUE(reports.valid());
    VerdictListener listener;
    ASSERT_TRUE(listener.Start(reports.get(), inbox(), VERDICT_MESSAGE));
    Sleep(100);  // let it read many reports

    const auto start = std::chrono::steady_clock::now();
    listener.Stop();
    EXPECT_LT(test::ElapsedMs(start), static_cast<long long>(LISTENER_JOIN_WAIT_MS))
        << "Stop gave up on a thread that kept reading";
    EXPECT_EQ(inbox_->Next(200ms), std::nullopt) << "a report without a verdict was posted";
}

BOOL WINAPI NeverCancels(HANDLE, LPOVERLAPPED) {
    return TRUE;
}

// A read that the system never lets go of after its cancellation (a driver that ignores it):
// Stop still returns, after the bounded collection, and the abandoned read posts nothing when
// a reply lands in it later.
TEST_F(VerdictListenerTest, StopReturnsWhenTheCancelledReadNeverCompletes) {
    VerdictListener listener(&NeverCancels);
    ASSERT_TRUE(listener.Start(controller_.host.get(), inbox(), VERDICT_MESSAGE));
    Sleep(100);  // let its read start
    const unsigned leakedBefore = OverlappedOperation::leakedCount();

    const auto start = std::chrono::steady_clock::now();
    listener.Stop();
    const long long elapsed = test::ElapsedMs(start);

    EXPECT_GE(elapsed, static_cast<long long>(CANCEL_COLLECT_WAIT_MS) - 50);
    EXPECT_LT(elapsed, static_cast<long long>(LISTENER_JOIN_WAIT_MS) + 2000);
    EXPECT_FALSE(listener.running());
    EXPECT_EQ(OverlappedOperation::leakedCount(), leakedBefore + 1);
    controller_.peer->QueueReport(VerdictReply(VERDICT_SUCCESS));
    EXPECT_EQ(inbox_->Next(300ms), std::nullopt);
}

TEST_F(VerdictListenerTest, StartedAndStoppedListenersLeaveNoHandles) {
    {
        VerdictListener warmUp;  // Wine's first thread keeps some handles of its own
        warmUp.Start(controller_.host.get(), inbox(), VERDICT_MESSAGE);
    }
    const std::optional<std::size_t> before = test::SettledHandleCount();
    ASSERT_TRUE(before.has_value());
    for (int i = 0; i < 20; ++i) {
        VerdictListener listener;
        ASSERT_TRUE(listener.Start(controller_.host.get(), inbox(), VERDICT_MESSAGE));
        listener.Stop();
    }
    EXPECT_EQ(test::SettledHandleCount(), before);
}

}  // namespace
}  // namespace norvessa::win32
