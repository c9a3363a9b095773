// SPDX-License-Identifier: MIT
// Failures that used to vanish reach the log, with the OS's reason: an open that fails, a
// descriptor that cannot be read, a failed write, a listener that ends on an error. And the
// stderr sink keeps debug messages back until they are turned on.

#include "controller/log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "controller/linux/controller_access_scan.h"
#include "controller/linux/hidraw_interface.h"
#include "controller/linux/unique_fd.h"
#include "link_test_support.h"
#include "protocol/linux/frame_io.h"
#include "protocol/linux/verdict_listener.h"

namespace norvessa {
namespace {

struct Entry {
    LogLevel level;
    std::string message;
};

// Collects what is logged while it lives, from any thread.
class CollectedLog {
  public:
    CollectedLog() {
        SetLogSink([this](LogLevel level, const std::string& message) {
            std::lock_guard lock(mutex_);
            entries_.push_back({level, message});
        });
    }
    ~CollectedLog() { SetLogSink({}); }
    std::vector<Entry> entries() {
        std::lock_guard lock(mutex_);
        return entries_;
    }

  private:
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

struct FailureCase {
    const char* name;
    std::function<void()> provoke;
    const char* message;
};

class LoggedFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(LoggedFailure, IsLoggedAsAnErrorWithItsReason) {
    CollectedLog log;
    GetParam().provoke();
    const std::vector<Entry> entries = log.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, LogLevel::Error);
    EXPECT_EQ(entries[0].message, GetParam().message);
}

void ListenUntilEvent(int fd) {
    std::promise<ListenerEvent> delivered;
    VerdictListener listener;
    ASSERT_TRUE(listener.Start(fd, [&](ListenerEvent event) { delivered.set_value(event); }));
    auto event = delivered.get_future();
    ASSERT_EQ(event.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(event.get(), ListenerEvent::ControllerGone);
    listener.Stop();
}

const FailureCase FAILURES[] = {
    {"open_of_a_missing_node",
     [] { EXPECT_EQ(OpenHidrawInterface("/dev/norvessa-no-such-node"), nullptr); },
     "cannot open /dev/norvessa-no-such-node: No such file or directory (2)"},
    {"descriptor_of_a_node_that_is_no_hidraw",
     [] { EXPECT_EQ(OpenHidrawInterface("/dev/null"), nullptr); },
     "cannot read the report descriptor of /dev/null: Inappropriate ioctl for device (25)"},
    {"write_refused_by_the_os",
     [] {
         UniqueFd readOnly(::open("/dev/null", O_RDONLY | O_CLOEXEC));
         EXPECT_EQ(SendFrame({readOnly.get(), 64}, BuildResetFrame()), WriteStatus::Failed);
     },
     "write to the controller failed: Bad file descriptor (9)"},
    {"write_to_a_controller_that_hung_up",
     [] {
         int pair[2];
         ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
         UniqueFd host(pair[0]);
         ::close(pair[1]);
         EXPECT_EQ(SendFrame({host.get(), 64}, BuildResetFrame()), WriteStatus::Gone);
     },
     "write to the controller failed: the controller hung up"},
    {"listener_reading_the_end_of_the_controller",
     [] {
         int pair[2];
         ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
         UniqueFd host(pair[0]);
         ::close(pair[1]);
         ListenUntilEvent(host.get());
     },
     "verdict listener ends: end of file"},
};

INSTANTIATE_TEST_SUITE_P(Points, LoggedFailure, ::testing::ValuesIn(FAILURES),
                         [](const ::testing::TestParamInfo<FailureCase>& param) {
                             return std::string(param.param.name);
                         });

// A sysfs-like tree of hidraw records: each node's report descriptor under NAME/device.
class FakeSysClassHidraw {
  public:
    FakeSysClassHidraw() {
        char pattern[] = "/tmp/norvessa-sysfs-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) {
            root_ = pattern;
        }
    }
    ~FakeSysClassHidraw() { std::filesystem::remove_all(root_); }
    void Add(const std::string& name, const test::Bytes& descriptor) const {
        std::filesystem::create_directories(root_ / name / "device");
        std::ofstream(root_ / name / "device" / "report_descriptor", std::ios::binary)
            .write(reinterpret_cast<const char*>(descriptor.data()),
                   static_cast<std::streamsize>(descriptor.size()));
    }
    std::string path() const { return root_.string(); }

  private:
    std::filesystem::path root_;
};

struct OpenFailureCase {
    const char* devnode;
    int error;
    LogLevel level;
    const char* message;
};

// Without the udev rule every node is denied: only the controller's is worth a word by default.
TEST(OpenFailure, ADeniedNodeIsAnErrorOnlyWhenItIsTheControllers) {
    FakeSysClassHidraw sysfs;
    sysfs.Add("hidraw1", test::ControllerDescriptor());
    sysfs.Add("hidraw2", test::BootKeyboard());
    const std::string denied = "; it is the touch controller's node: install the udev rule";
    const OpenFailureCase cases[] = {
        {"/dev/hidraw1", EACCES, LogLevel::Error,
         "cannot open /dev/hidraw1: Permission denied (13)"},
        {"/dev/hidraw1", EPERM, LogLevel::Error,
         "cannot open /dev/hidraw1: Operation not permitted (1)"},
        {"/dev/hidraw2", EACCES, LogLevel::Debug,
         "cannot open /dev/hidraw2: Permission denied (13)"},
        {"/dev/hidraw7", EACCES, LogLevel::Debug,
         "cannot open /dev/hidraw7: Permission denied (13)"},
        {"/dev/hidraw1", EIO, LogLevel::Error, "cannot open /dev/hidraw1: Input/output error (5)"},
        {"/dev/hidraw2", EIO, LogLevel::Error, "cannot open /dev/hidraw2: Input/output error (5)"},
    };
    for (const OpenFailureCase& c : cases) {
        CollectedLog log;
        LogOpenFailure(c.devnode, c.error, sysfs.path());
        const std::vector<Entry> entries = log.entries();
        ASSERT_EQ(entries.size(), 1u) << c.devnode << " " << c.error;
        EXPECT_EQ(entries[0].level, c.level) << c.devnode << " " << c.error;
        const bool controllerDenied = c.level == LogLevel::Error && c.error != EIO;
        EXPECT_EQ(entries[0].message, c.message + (controllerDenied ? denied : ""));
    }
}

// The real open path: the kernel refuses to open a read-only sysfs attribute for writing, even to
// root, so /sys/kernel/notes stands in for a controller node without the udev rule.
TEST(OpenFailure, TheLinkWarnsOfTheControllersNodeItMayNotOpen) {
    const char* node = "/sys/kernel/notes";
    if (UniqueFd(::open(node, O_RDWR | O_CLOEXEC)) || errno != EACCES) {
        GTEST_SKIP() << node << " does not refuse a read-write open here";
    }
    FakeSysClassHidraw sysfs;
    sysfs.Add("notes", test::ControllerDescriptor());
    CollectedLog log;
    EXPECT_EQ(OpenHidrawInterface(node, sysfs.path()), nullptr);
    const std::vector<Entry> entries = log.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, LogLevel::Error);
    EXPECT_EQ(entries[0].message,
              "cannot open /sys/kernel/notes: Permission denied (13); it is the touch "
              "controller's node: install the udev rule");
}

// With no sink of the platform's, errors reach stderr and debug messages only once enabled.
TEST(StderrLog, KeepsDebugMessagesBackUntilTurnedOn) {
    const auto captured = [](bool debugOn) {
        SetDebugLogging(debugOn);
        ::testing::internal::CaptureStderr();
        LogDebug("detail");
        LogError("trouble");
        SetDebugLogging(false);
        return ::testing::internal::GetCapturedStderr();
    };
    EXPECT_EQ(captured(false), "norvessa: trouble\n");
    EXPECT_EQ(captured(true), "norvessa: detail\nnorvessa: trouble\n");
}

}  // namespace
}  // namespace norvessa
