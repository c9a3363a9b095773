// The real udev layer on this machine: enumeration agrees with sysfs, and the hot-plug monitor
// listens on the source that can deliver events here.

#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "controller/linux/controller_state.h"
#include "controller/linux/hotplug_events.h"
#include "controller/linux/linux_controller_link.h"

namespace norvessa {
namespace {

// The hidraw nodes sysfs lists, in the link's search order.
std::vector<std::string> HidrawNodesInSysfs() {
    std::vector<HidrawRecord> records;
    const std::filesystem::path classDir = "/sys/class/hidraw";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(classDir, error)) {
        unsigned major = 0;
        unsigned minor = 0;
        char colon = 0;
        std::ifstream(entry.path() / "dev") >> major >> colon >> minor;
        records.push_back({"/dev/" + entry.path().filename().string(), minor});
    }
    return DevnodesInSearchOrder(records);
}

bool UeventsAvailable() {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

TEST(UdevLayer, EnumeratesTheHidrawNodesOfSysfsByMinor) {
    UdevContext context(udev_new());
    ASSERT_TRUE(context);
    HidrawPlatform platform(context.get());
    const auto present = platform.EnumeratePresent();
    ASSERT_TRUE(present.has_value());
    EXPECT_EQ(*present, HidrawNodesInSysfs());
}

TEST(UdevLayer, MonitorListensWhereEventsCanComeFrom) {
    if (!UeventsAvailable())
        GTEST_SKIP() << "no uevent netlink socket in this environment";
    UdevContext context(udev_new());
    ASSERT_TRUE(context);
    const auto monitor = HotplugMonitor::Create(context.get());
    ASSERT_TRUE(monitor);
    EXPECT_GE(monitor->fd(), 0);
    EXPECT_EQ(monitor->onKernelSource(), !std::filesystem::exists("/run/udev/control"));
}

TEST(UdevLayer, StartUpWithoutAnyControllerReportsNone) {
    if (!UeventsAvailable())
        GTEST_SKIP() << "no uevent netlink socket in this environment";
    if (!HidrawNodesInSysfs().empty())
        GTEST_SKIP() << "this machine has hidraw nodes; the outcome depends on them";
    std::vector<bool> changes;
    LinuxControllerLink link(
        ControllerEvents{.changed = [&](OpenedInterface* c) { changes.push_back(c != nullptr); }});
    ASSERT_TRUE(link.SetUp());
    EXPECT_GE(link.hotplugFd(), 0);
    EXPECT_FALSE(link.FindController());
    link.ProcessPendingEvents();  // nothing waiting: returns at once
    EXPECT_EQ(changes, std::vector<bool>{false});
    EXPECT_FALSE(CurrentControllerChannel().valid());
}

}  // namespace
}  // namespace norvessa
