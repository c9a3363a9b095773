// An operation that the system does not let go of after its cancellation: the bounded
// collection gives it up, and what it later delivers lands in storage of its own, never in the
// caller's buffer.
#include "protocol/win32/overlapped_io.h"

#include <gtest/gtest.h>

#include "pipe_controller.h"

namespace norvessa {
namespace {

using namespace std::chrono_literals;
using test::PipeController;

BOOL WINAPI NeverCancels(HANDLE, LPOVERLAPPED) {
    return TRUE;
}

constexpr DWORD kCollectWaitMs = 300;

TEST(OverlappedOperationTest, AReadThatIgnoresItsCancellationIsAbandonedAndWritesNothingOfOurs) {
    PipeController controller;
    const HANDLE host = controller.host.get();
    OverlappedOperation read(false, &NeverCancels, kCollectWaitMs);
    ReplyFrame abandoned{};
    abandoned.fill(0x5A);
    ASSERT_TRUE(read.StartRead(host, abandoned.data(), static_cast<DWORD>(abandoned.size())));
    const unsigned leakedBefore = OverlappedOperation::leakedCount();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read.CancelAndCollect(), std::nullopt);
    const long long elapsed = test::ElapsedMs(start);
    EXPECT_GE(elapsed, static_cast<long long>(kCollectWaitMs) - 50);
    EXPECT_LT(elapsed, 5000);
    EXPECT_FALSE(read.outstanding());
    EXPECT_EQ(OverlappedOperation::leakedCount(), leakedBefore + 1);

    // The abandoned read is still pending on the pipe and takes the first report; the next
    // read on the same operation takes the second.
    controller.peer->QueueReport(sim::VerdictReply(VERDICT_SUCCESS));
    controller.peer->QueueReport(sim::VerdictReply(VERDICT_FAILURE));
    ReplyFrame next{};
    ASSERT_TRUE(read.StartRead(host, next.data(), static_cast<DWORD>(next.size())));
    ASSERT_EQ(read.Wait(5000), static_cast<DWORD>(WAIT_OBJECT_0));
    ASSERT_EQ(read.Collect(), std::optional<DWORD>(FRAME_SIZE));
    EXPECT_EQ(ParseReply(next), Verdict::Failure);
    ReplyFrame untouched{};
    untouched.fill(0x5A);
    EXPECT_EQ(abandoned, untouched) << "the abandoned read wrote into the caller's buffer";
}

}  // namespace
}  // namespace norvessa
