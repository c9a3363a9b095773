// The udev-facing layer without udev: search order, event mapping, and the controller state
// that the rest of the tool reads, over hidraw interfaces whose fds are socket-pair ends.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <map>

#include "controller/linux/controller_state.h"
#include "controller/linux/hidraw_interface.h"
#include "controller/linux/hotplug_events.h"
#include "link_test_support.h"
#include "protocol/linux/verdict_listener.h"

namespace norvessa {
namespace {

using test::Bytes;

TEST(SearchOrder, FollowsTheMinorNumberNotTheName) {
    const std::vector<HidrawRecord> records = {
        {"/dev/hidraw10", 10}, {"/dev/hidraw2", 2}, {"", 1}, {"/dev/hidraw0", 0}};
    EXPECT_EQ(DevnodesInSearchOrder(records),
              (std::vector<std::string>{"/dev/hidraw0", "/dev/hidraw2", "/dev/hidraw10"}));
}

struct EventCase {
    const char* action;
    const char* subsystem;
    const char* devnode;
    HotplugEvent expected;
    friend void PrintTo(const EventCase& c, std::ostream* os) {
        *os << c.action << " " << c.subsystem << " " << c.devnode;
    }
};

class EventMapping : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventMapping, MapsOnlyHidrawNodes) {
    const EventCase& c = GetParam();
    EXPECT_EQ(MapUdevEvent(c.action, c.subsystem, c.devnode), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Events, EventMapping,
    ::testing::Values(
        EventCase{"add", "hidraw", "/dev/hidraw3", {HotplugKind::Arrival, "/dev/hidraw3"}},
        EventCase{"change", "hidraw", "/dev/hidraw3", {HotplugKind::Arrival, "/dev/hidraw3"}},
        EventCase{"remove", "hidraw", "/dev/hidraw3", {HotplugKind::Removal, "/dev/hidraw3"}},
        EventCase{"bind", "hidraw", "/dev/hidraw3", {}}, EventCase{"add", "hid", "", {}},
        EventCase{"add", "input", "/dev/input/event4", {}}, EventCase{"remove", "hidraw", "", {}},
        EventCase{"", "hidraw", "/dev/hidraw3", {}}));

// Present nodes of a fake system: each opens as a socket pair whose far end stays here.
class FakeHidrawPlatform : public HidPlatform {
  public:
    struct Node {
        std::uint32_t minor;
        Bytes descriptor;
    };
    std::map<std::string, Node> present;
    std::map<std::string, UniqueFd> farEnds;

    std::optional<std::vector<std::string>> EnumeratePresent() override {
        std::vector<HidrawRecord> records;
        for (const auto& [devnode, node] : present)
            records.push_back({devnode, node.minor});
        return DevnodesInSearchOrder(records);
    }
    std::unique_ptr<OpenedInterface> Open(const std::string& devnode) override {
        const auto found = present.find(devnode);
        if (found == present.end())
            return nullptr;
        std::optional<InterfaceDescription> description =
            DescribeReportDescriptor(found->second.descriptor);
        int fds[2];
        if (!description || ::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0)
            return nullptr;
        farEnds[devnode].reset(fds[1]);
        return std::make_unique<HidrawInterface>(devnode, UniqueFd(fds[0]),
                                                 std::move(*description));
    }
    bool SamePath(const std::string& a, const std::string& b) const override { return a == b; }
};

bool IsOpen(int fd) {
    return fd >= 0 && ::fcntl(fd, F_GETFD) != -1;
}

class HotplugLink : public ::testing::Test {
  protected:
    FakeHidrawPlatform platform;
    std::vector<std::string> log;
    ControllerLink link{platform,
                        TrackControllerState(ControllerEvents{
                            .releasing =
                                [this](OpenedInterface& leaving) {
                                    // The fd is still open and still published here,
                                    // so the user interface can stop its users.
                                    EXPECT_TRUE(IsOpen(g_controllerFd));
                                    log.push_back("release:" + leaving.path());
                                },
                            .changed =
                                [this](OpenedInterface* current) {
                                    log.push_back(current ? "current:" + current->path() : "none");
                                }})};

    void SetUp() override {
        g_controllerFd = -1;
        g_outputReportLength = 0;
    }
    void Plug(const std::string& devnode, std::uint32_t minor, Bytes descriptor) {
        platform.present[devnode] = {minor, std::move(descriptor)};
        ApplyHotplugEvent(link, MapUdevEvent("add", "hidraw", devnode));
    }
    void Unplug(const std::string& devnode) {
        platform.present.erase(devnode);
        ApplyHotplugEvent(link, MapUdevEvent("remove", "hidraw", devnode));
    }
    int CurrentFd() const {
        const auto* current = dynamic_cast<const HidrawInterface*>(link.current());
        return current ? current->fd() : -1;
    }
};

TEST_F(HotplugLink, StartUpSearchTakesTheLowestMinorController) {
    platform.present["/dev/hidraw10"] = {10, test::ControllerDescriptor()};
    platform.present["/dev/hidraw2"] = {2, test::ControllerDescriptor()};
    platform.present["/dev/hidraw0"] = {0, test::BootKeyboard()};
    ASSERT_TRUE(link.FindController());
    EXPECT_EQ(log, std::vector<std::string>{"current:/dev/hidraw2"});
    EXPECT_EQ(g_controllerFd, CurrentFd());
    EXPECT_EQ(g_outputReportLength, 64u);  // 63 bytes behind the report ID
}

TEST_F(HotplugLink, ControllerStateFollowsArrivalsAndRemovals) {
    ASSERT_FALSE(link.FindController());
    Plug("/dev/hidraw0", 0, test::BootKeyboard());
    EXPECT_EQ(g_controllerFd, -1);

    Plug("/dev/hidraw1", 1, test::ControllerDescriptor());
    const int controllerFd = CurrentFd();
    EXPECT_TRUE(IsOpen(controllerFd));
    EXPECT_EQ(CurrentControllerChannel().fd, controllerFd);
    EXPECT_EQ(CurrentControllerChannel().outputReportLength, 64u);

    // A second controller is closed again; the first stays current.
    Plug("/dev/hidraw2", 2, test::ControllerDescriptor());
    EXPECT_EQ(g_controllerFd, controllerFd);

    // Another device going away leaves the controller alone.
    Unplug("/dev/hidraw0");
    EXPECT_EQ(g_controllerFd, controllerFd);

    // Its own removal empties the state; the controller still present takes over.
    Unplug("/dev/hidraw1");
    EXPECT_NE(g_controllerFd, -1);
    EXPECT_EQ(g_controllerFd, CurrentFd());
    EXPECT_EQ(link.current()->path(), "/dev/hidraw2");

    Unplug("/dev/hidraw2");
    EXPECT_EQ(g_controllerFd, -1);
    EXPECT_EQ(g_outputReportLength, 0u);
    EXPECT_FALSE(CurrentControllerChannel().valid());
    EXPECT_EQ(log,
              (std::vector<std::string>{"none", "current:/dev/hidraw1", "release:/dev/hidraw1",
                                        "current:/dev/hidraw2", "release:/dev/hidraw2", "none"}));
}

TEST_F(HotplugLink, ReleaseAtTheEndEmptiesTheStateWithoutReportingAChange) {
    platform.present["/dev/hidraw4"] = {4, test::ControllerDescriptor()};
    ASSERT_TRUE(link.FindController());
    link.Release();
    EXPECT_EQ(g_controllerFd, -1);
    EXPECT_EQ(g_outputReportLength, 0u);
    EXPECT_EQ(log, (std::vector<std::string>{"current:/dev/hidraw4", "release:/dev/hidraw4"}));
}

// A removal that never reached us: the controller's device is gone (its far end hangs up, as a
// hidraw fd does when its device goes), and the controller plugged in again, on the node the
// kernel gives it, must become current instead of being turned away by the dead one.
class MissedRemoval : public HotplugLink, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissedRemoval, TheArrivingControllerReplacesTheDeadOne) {
    Plug("/dev/hidraw1", 1, test::ControllerDescriptor());
    ASSERT_TRUE(link.current()->IsAlive());
    platform.present.erase("/dev/hidraw1");
    platform.farEnds.erase("/dev/hidraw1");
    EXPECT_FALSE(link.current()->IsAlive());

    const std::string devnode = GetParam();
    platform.present[devnode] = {7, test::ControllerDescriptor()};
    EXPECT_EQ(link.OnArrival(devnode), ArrivalResult::ReplacedDeadController);
    EXPECT_EQ(link.current()->path(), devnode);
    EXPECT_EQ(g_controllerFd, CurrentFd());
    EXPECT_TRUE(link.current()->IsAlive());
    EXPECT_EQ(log, (std::vector<std::string>{"current:/dev/hidraw1", "release:/dev/hidraw1",
                                             "current:" + devnode}));
}

INSTANTIATE_TEST_SUITE_P(Nodes, MissedRemoval, ::testing::Values("/dev/hidraw1", "/dev/hidraw7"),
                         [](const auto& p) { return p.index == 0 ? "SameNode" : "OtherNode"; });

// The user interface's part on removal: its listener is stopped in `releasing`, so it neither
// reads a closed fd nor reports anything for a controller that is gone.
TEST(HotplugRemoval, StopsTheListenerBeforeTheFdCloses) {
    FakeHidrawPlatform platform;
    platform.present["/dev/hidraw0"] = {0, test::ControllerDescriptor()};
    test::ListenerEvents events;
    VerdictListener listener;
    ControllerLink link(platform, TrackControllerState(ControllerEvents{
                                      .releasing = [&](OpenedInterface&) { listener.Stop(); }}));
    ASSERT_TRUE(link.FindController());
    ASSERT_TRUE(listener.Start(g_controllerFd, events.Callback()));

    platform.present.erase("/dev/hidraw0");
    ApplyHotplugEvent(link, MapUdevEvent("remove", "hidraw", "/dev/hidraw0"));
    EXPECT_FALSE(listener.started());
    EXPECT_FALSE(link.hasController());
    EXPECT_TRUE(events.All().empty());
}

}  // namespace
}  // namespace norvessa
