// Writes to a node that stalls: a pipe whose write end blocks once it is full stands in for a
// hidraw node whose OUT endpoint stalls (the kernel holds the write whatever poll says).

#include "controller/linux/report_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <vector>

#include "controller/linux/hidraw_interface.h"
#include "protocol/linux/frame_io.h"

namespace norvessa {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

std::size_t ThreadCount() {
    std::size_t count = 0;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(tasks)) {
            count += entry->d_name[0] != '.';
        }
        ::closedir(tasks);
    }
    return count;
}

// A pipe filled to the brim, its write end blocking: the next write waits in the kernel until
// the read end is drained.
class StalledNode : public ::testing::Test {
  protected:
    void SetUp() override {
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
        readEnd.reset(fds[0]);
        writeEnd.reset(fds[1]);
        const Bytes filler(4096, 0);
        while (::write(writeEnd.get(), filler.data(), filler.size()) > 0) {
        }
        ASSERT_EQ(::fcntl(writeEnd.get(), F_SETFL, 0), 0);
        threadsBefore = ThreadCount();
    }

    // Everything the writer got through once the node takes writes again.
    Bytes DrainedReports() {
        ::fcntl(readEnd.get(), F_SETFL, O_NONBLOCK);
        Bytes all;
        std::vector<std::uint8_t> chunk(65536);
        for (int idle = 0; idle < 20; ++idle) {
            const ssize_t got = ::read(readEnd.get(), chunk.data(), chunk.size());
            if (got > 0) {
                all.insert(all.end(), chunk.begin(), chunk.begin() + got);
                idle = 0;
            } else {
                ::usleep(10000);
            }
        }
        Bytes reports;
        for (std::uint8_t byte : all) {
            if (byte != 0) {
                reports.push_back(byte);  // the filler is all zero; each test report is not
            }
        }
        return reports;
    }

    UniqueFd readEnd;
    UniqueFd writeEnd;
    std::size_t threadsBefore = 0;
};

TEST_F(StalledNode, AStuckWriteTimesOutAndLaterOnesQueueBehindItInOrder) {
    ReportWriter writer(writeEnd.get());
    const auto started = Clock::now();
    EXPECT_EQ(writer.Write(Bytes{0x11, 0x12}, 500ms), WriterStatus::TimedOut);
    const auto took = Clock::now() - started;
    EXPECT_GE(took, 450ms);
    EXPECT_LT(took, 1500ms);
    EXPECT_EQ(writer.Write(Bytes{0x21, 0x22}, 50ms), WriterStatus::TimedOut);
    EXPECT_EQ(writer.Write(Bytes{0x31, 0x32}, 50ms), WriterStatus::TimedOut);

    EXPECT_EQ(DrainedReports(), (Bytes{0x11, 0x12, 0x21, 0x22, 0x31, 0x32}));
    EXPECT_EQ(writer.Write(Bytes{0x41}, 2000ms), WriterStatus::Written);
}

TEST_F(StalledNode, ABacklogBehindAStuckWriteIsRefusedNotDropped) {
    ReportWriter writer(writeEnd.get());
    for (std::size_t i = 0; i < ReportWriter::MAX_QUEUED; ++i) {
        ASSERT_EQ(writer.Write(Bytes{static_cast<std::uint8_t>(i + 1)}, 0ms),
                  WriterStatus::TimedOut);
    }
    EXPECT_EQ(writer.Write(Bytes{0xEE}, 500ms), WriterStatus::Backlogged);
    const Bytes reports = DrainedReports();
    ASSERT_EQ(reports.size(), ReportWriter::MAX_QUEUED);
    EXPECT_EQ(reports.front(), 1);
    EXPECT_EQ(reports.back(), ReportWriter::MAX_QUEUED);
}

// The controller's removal destroys its opened interface, and with it the writer: the stuck
// write is released and the thread joined, not left writing to a closed fd.
TEST_F(StalledNode, RemovalReleasesAStuckWriterPromptly) {
    InterfaceDescription description;
    description.caps.outputReportByteLength = 64;
    auto controller =
        std::make_unique<HidrawInterface>("stalled", std::move(writeEnd), std::move(description));
    const auto started = Clock::now();
    EXPECT_EQ(SendFrame(controller->channel(), BuildResetFrame()), WriteStatus::TimedOut);
    EXPECT_LT(Clock::now() - started, 1500ms);
    EXPECT_EQ(ThreadCount(), threadsBefore + 1);

    const auto removed = Clock::now();
    controller.reset();
    EXPECT_LT(Clock::now() - removed, 900ms);  // joined, not given up on after the bound
    EXPECT_EQ(ThreadCount(), threadsBefore);
    EXPECT_TRUE(DrainedReports().empty());
}

TEST(ReportWriter, AGoneControllerRefusesEveryLaterWriteAtOnce) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
    UniqueFd host(fds[0]);
    ::close(fds[1]);
    ReportWriter writer(host.get());
    EXPECT_EQ(writer.Write(Bytes{0xAA}, 2000ms), WriterStatus::Gone);
    const auto started = Clock::now();
    EXPECT_EQ(writer.Write(Bytes{0xAA}, 2000ms), WriterStatus::Gone);
    EXPECT_LT(Clock::now() - started, 100ms);
}

}  // namespace
}  // namespace norvessa
