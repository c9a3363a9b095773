#include "controller/controller_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>

namespace norvessa {
namespace {

// A present interface of the fake platform, described by the first report ID of its
// output table (0 for none) and its report lengths.
struct FakeDevice {
    std::uint32_t firstReportId = 0;
    std::uint16_t outputLength = 64;
    std::uint16_t inputLength = 64;
    bool opens = true;
};

class FakeInterface : public OpenedInterface {
  public:
    FakeInterface(std::string path, const FakeDevice& device, int& openCount,
                  const std::vector<std::string>& dead)
        : path_(std::move(path)), openCount_(openCount), dead_(dead) {
        caps_.outputReportByteLength = device.outputLength;
        caps_.inputReportByteLength = device.inputLength;
        if (device.firstReportId != 0)
            table_.push_back(OutputDataEntry{.reportId = device.firstReportId});
        ++openCount_;
    }
    ~FakeInterface() override { --openCount_; }
    const std::string& path() const override { return path_; }
    const HidCaps& caps() const override { return caps_; }
    std::span<const OutputDataEntry> outputTable() const override { return table_; }
    bool IsAlive() const override { return std::ranges::find(dead_, path_) == dead_.end(); }

  private:
    std::string path_;
    HidCaps caps_;
    std::vector<OutputDataEntry> table_;
    int& openCount_;
    const std::vector<std::string>& dead_;
};

class FakePlatform : public HidPlatform {
  public:
    std::vector<std::pair<std::string, FakeDevice>> present;  // enumeration order
    bool enumerationFails = false;
    int openHandles = 0;
    std::vector<std::string> opened;
    std::vector<std::string> dead;  // gone without a removal being reported

    std::optional<std::vector<std::string>> EnumeratePresent() override {
        if (enumerationFails)
            return std::nullopt;
        std::vector<std::string> paths;
        for (const auto& [path, device] : present)
            paths.push_back(path);
        return paths;
    }
    std::unique_ptr<OpenedInterface> Open(const std::string& path) override {
        opened.push_back(path);
        for (const auto& [p, device] : present) {
            if (p == path && device.opens)
                return std::make_unique<FakeInterface>(p, device, openHandles, dead);
        }
        return nullptr;
    }
    bool SamePath(const std::string& a, const std::string& b) const override {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) ==
                   std::tolower(static_cast<unsigned char>(y));
        });
    }
    void Add(const std::string& path, FakeDevice device) { present.emplace_back(path, device); }
    void Remove(const std::string& path) {
        std::erase_if(present, [&](const auto& entry) { return entry.first == path; });
    }
};

constexpr FakeDevice kController{.firstReportId = 0xAA};
constexpr FakeDevice kKeyboard{.firstReportId = 1};
constexpr FakeDevice kMouse{};

class LinkTest : public ::testing::Test {
  protected:
    FakePlatform platform;
    std::vector<std::string> events;  // "release:<path>", "current:<path>" or "none"
    ControllerLink link{
        platform,
        ControllerEvents{
            .releasing = [this](OpenedInterface& d) { events.push_back("release:" + d.path()); },
            .changed =
                [this](OpenedInterface* d) {
                    events.push_back(d ? "current:" + d->path() : "none");
                }}};

    std::string CurrentPath() const { return link.current() ? link.current()->path() : ""; }
};

TEST_F(LinkTest, NoControllerPresentDisablesButtons) {
    platform.Add("kbd", kKeyboard);
    platform.Add("mouse", kMouse);
    EXPECT_FALSE(link.FindController());
    EXPECT_EQ(events, std::vector<std::string>{"none"});
    EXPECT_EQ(platform.openHandles, 0);  // both were opened and closed again
    EXPECT_EQ(platform.opened.size(), 2u);
}

TEST_F(LinkTest, EveryPresentInterfaceIsSearchedAndTheFirstControllerWins) {
    for (int i = 0; i < 12; ++i)
        platform.Add("hid" + std::to_string(i), kKeyboard);
    platform.Add("late-controller", kController);
    platform.Add("second-controller", kController);
    EXPECT_TRUE(link.FindController());
    EXPECT_EQ(CurrentPath(), "late-controller");
    EXPECT_EQ(platform.openHandles, 1);
    // The search stops at the first match.
    EXPECT_EQ(platform.opened.back(), "late-controller");
}

struct RefusedDevice {
    const char* name;
    FakeDevice device;
};

class LinkRefuses : public LinkTest, public ::testing::WithParamInterface<RefusedDevice> {};

TEST_P(LinkRefuses, PassesOverAndFindsTheRealController) {
    platform.Add("refused", GetParam().device);
    platform.Add("controller", kController);
    EXPECT_TRUE(link.FindController());
    EXPECT_EQ(CurrentPath(), "controller");
    EXPECT_EQ(platform.openHandles, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, LinkRefuses,
    ::testing::Values(RefusedDevice{"CannotOpen", {.firstReportId = 0xAA, .opens = false}},
                      RefusedDevice{"EmptyTable", kMouse},
                      RefusedDevice{"OutputOver64", {.firstReportId = 0xAA, .outputLength = 65}},
                      RefusedDevice{"InputOver64", {.firstReportId = 0xAA, .inputLength = 65}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(LinkTest, EnumerationRefusedMeansNoController) {
    platform.Add("controller", kController);
    platform.enumerationFails = true;
    EXPECT_FALSE(link.FindController());
    EXPECT_EQ(events, std::vector<std::string>{"none"});
}

TEST_F(LinkTest, ArrivalsOnlyEverKeepOneController) {
    ASSERT_FALSE(link.FindController());
    platform.Add("kbd", kKeyboard);
    EXPECT_EQ(link.OnArrival("kbd"), ArrivalResult::NotController);
    EXPECT_EQ(link.OnArrival("gone-before-open"), ArrivalResult::Ignored);
    platform.Add("c1", kController);
    EXPECT_EQ(link.OnArrival("c1"), ArrivalResult::BecameCurrent);
    platform.Add("c2", kController);
    EXPECT_EQ(link.OnArrival("c2"), ArrivalResult::AlreadyHaveController);
    EXPECT_EQ(CurrentPath(), "c1");
    EXPECT_EQ(platform.openHandles, 1);  // the newcomer's handle did not stay open
    EXPECT_EQ(events, (std::vector<std::string>{"none", "current:c1"}));
}

TEST_F(LinkTest, RemovalOfAnotherDeviceChangesNothing) {
    platform.Add("kbd", kKeyboard);
    platform.Add("controller", kController);
    ASSERT_TRUE(link.FindController());
    platform.Remove("kbd");
    EXPECT_EQ(link.OnRemoval("kbd"), RemovalResult::Ignored);
    EXPECT_EQ(CurrentPath(), "controller");
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(LinkTest, RemovalMatchesThePathWithoutCaseAndSearchesAgain) {
    platform.Add("\\\\?\\HID#VID_1&PID_1#a", kController);
    platform.Add("\\\\?\\HID#VID_2&PID_2#b", kController);
    ASSERT_TRUE(link.FindController());
    platform.Remove("\\\\?\\HID#VID_1&PID_1#a");
    EXPECT_EQ(link.OnRemoval("\\\\?\\hid#vid_1&pid_1#a"), RemovalResult::Replaced);
    EXPECT_EQ(CurrentPath(), "\\\\?\\HID#VID_2&PID_2#b");
    platform.Remove("\\\\?\\HID#VID_2&PID_2#b");
    EXPECT_EQ(link.OnRemoval("\\\\?\\HID#VID_2&PID_2#b"), RemovalResult::Released);
    EXPECT_FALSE(link.hasController());
    EXPECT_EQ(platform.openHandles, 0);
    EXPECT_EQ(events,
              (std::vector<std::string>{
                  "current:\\\\?\\HID#VID_1&PID_1#a", "release:\\\\?\\HID#VID_1&PID_1#a",
                  "current:\\\\?\\HID#VID_2&PID_2#b", "release:\\\\?\\HID#VID_2&PID_2#b", "none"}));
}

TEST_F(LinkTest, ReleaseAtTheEndClosesWithoutTouchingButtons) {
    platform.Add("controller", kController);
    ASSERT_TRUE(link.FindController());
    link.Release();
    link.Release();
    EXPECT_EQ(platform.openHandles, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"current:controller", "release:controller"}));
}

TEST_F(LinkTest, ControllerPluggedInAgainBecomesCurrent) {
    platform.Add("controller", kController);
    ASSERT_TRUE(link.FindController());
    platform.Remove("controller");
    EXPECT_EQ(link.OnRemoval("controller"), RemovalResult::Released);
    platform.Add("controller", kController);
    EXPECT_EQ(link.OnArrival("controller"), ArrivalResult::BecameCurrent);
    EXPECT_EQ(platform.openHandles, 1);
}

// A missed removal must not keep a re-plugged controller out, and an I/O failure with the
// device-gone error releases the controller as a removal does.
TEST_F(LinkTest, DeadControllerGivesWayWithoutItsRemoval) {
    platform.Add("c1", kController);
    ASSERT_TRUE(link.FindController());
    platform.Remove("c1");
    platform.dead.push_back("c1");
    platform.Add("c2", kController);
    EXPECT_EQ(link.OnArrival("c2"), ArrivalResult::ReplacedDeadController);
    EXPECT_EQ(CurrentPath(), "c2");
    EXPECT_EQ(platform.openHandles, 1);

    platform.Remove("c2");
    EXPECT_TRUE(link.OnCurrentGone());
    EXPECT_FALSE(link.hasController());
    EXPECT_FALSE(link.OnCurrentGone());
    EXPECT_EQ(platform.openHandles, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"current:c1", "release:c1", "current:c2",
                                                "release:c2", "none"}));
}

}  // namespace
}  // namespace norvessa
