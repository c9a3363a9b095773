// The controller state and the WM_DEVICECHANGE handling over a fake set of interfaces whose
// entries hold real event handles, so closing and leaking show in the process's handle count.
#include "controller/win32/controller_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "controller/win32/wide_text.h"
#include "controller/win32/win32_hid_platform.h"
#include "process_handles.h"
#include "test_window.h"

namespace norvessa {
namespace {

struct FakeInterface {
    std::uint32_t firstReportId = 0;  // 0: empty output table
    USHORT outputLength = 64;
    bool opens = true;
};

constexpr FakeInterface kController{.firstReportId = 0xAA};
constexpr FakeInterface kKeyboard{.firstReportId = 1};
constexpr FakeInterface kMouse{};

const std::string kControllerPath = "\\\\?\\HID#VID_0EEF&PID_0005#7&1&0&0000#{4d1e55b2}";
const std::string kSecondControllerPath = "\\\\?\\HID#VID_0EEF&PID_0005#7&2&0&0000#{4d1e55b2}";
const std::string kKeyboardPath = "\\\\?\\HID#VID_045E&PID_0750#7&3&0&0000#{4d1e55b2}";
const std::string kMousePath = "\\\\?\\HID#VID_046D&PID_C077#7&4&0&0000#{4d1e55b2}";

// What the platform was asked, kept outside it: the link owns the platform.
struct PlatformLog {
    int enumerations = 0;
    std::vector<std::string> opened;
};

class FakePlatform : public HidPlatform {
  public:
    FakePlatform(std::vector<std::pair<std::string, FakeInterface>> interfaces, PlatformLog& log)
        : present(std::move(interfaces)), log_(log) {}
    std::vector<std::pair<std::string, FakeInterface>> present;  // enumeration order

    std::optional<std::vector<std::string>> EnumeratePresent() override {
        ++log_.enumerations;
        std::vector<std::string> paths;
        for (const auto& [path, device] : present)
            paths.push_back(path);
        return paths;
    }
    std::unique_ptr<OpenedInterface> Open(const std::string& path) override {
        log_.opened.push_back(path);
        for (const auto& [p, device] : present) {
            if (SameDevicePath(p, path) && device.opens)
                return MakeEntry(p, device);
        }
        return nullptr;
    }
    bool SamePath(const std::string& a, const std::string& b) const override {
        return SameDevicePath(a, b);
    }
    void Remove(const std::string& path) {
        std::erase_if(present, [&](const auto& entry) { return entry.first == path; });
    }

  private:
    PlatformLog& log_;

    static std::unique_ptr<DeviceListEntry> MakeEntry(const std::string& path,
                                                      const FakeInterface& device) {
        ControllerDevice record;
        record.path = WideFromUtf8(path);
        record.handle.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        record.caps.OutputReportByteLength = device.outputLength;
        record.caps.InputReportByteLength = 64;
        if (device.firstReportId != 0)
            record.output.outTable.push_back(OutputDataEntry{.reportId = device.firstReportId});
        return std::make_unique<DeviceListEntry>(std::move(record));
    }
};

std::wstring Lowercase(const std::string& path) {
    std::wstring wide = WideFromUtf8(path);
    std::transform(wide.begin(), wide.end(), wide.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return wide;
}

const std::vector<bool> kAllEnabled(8, true);
const std::vector<bool> kAllDisabled(8, false);

class ControllerStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::HaveDisplay())
            GTEST_SKIP() << "no display: the window tests need DISPLAY";
        ASSERT_NE(window.hwnd(), nullptr);
        baseline = test::OpenHandleCount();
        ASSERT_TRUE(baseline.has_value());
        SetControllerReleasingHandler([this] {
            ++releasingCalls;
            handleOpenWhenReleasing = ::GetHandleInformation(g_readDevice.handle, nullptr) != 0;
        });
    }
    void TearDown() override {
        window.Destroy();
        SetControllerReleasingHandler(nullptr);
    }

    BOOL StartLink(HWND target = nullptr) {
        auto owned = std::make_unique<FakePlatform>(present, log);
        platform = owned.get();
        const BOOL result =
            SetUpControllerLinkWith(target ? target : window.hwnd(), std::move(owned));
        if (!result)
            platform = nullptr;  // the link did not keep it
        return result;
    }
    // Handles held beyond those the process held before the link started.
    long ExtraHandles() const {
        return static_cast<long>(*test::OpenHandleCount()) - static_cast<long>(*baseline);
    }
    std::string CurrentPath() const { return g_currentEntry ? g_currentEntry->path() : ""; }
    void ExpectControllerStateEmpty() const {
        EXPECT_EQ(g_currentEntry, nullptr);
        EXPECT_EQ(g_writeDevice.handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(g_readDevice.handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(g_outputReportLength, 0u);
    }
    void ExpectCurrent(const std::string& path) const {
        ASSERT_NE(g_currentEntry, nullptr);
        EXPECT_EQ(g_currentEntry->path(), path);
        EXPECT_EQ(g_writeDevice.handle, g_currentEntry->device().handle.get());
        EXPECT_EQ(g_readDevice.handle, g_currentEntry->device().handle.get());
        EXPECT_EQ(g_outputReportLength, 64u);
        EXPECT_EQ(window.CommandButtonsEnabled(), kAllEnabled);
    }
    LRESULT Arrival(const std::wstring& path) const {
        return window.SendDeviceChange(DBT_DEVICEARRIVAL, test::InterfaceBroadcast(path).data());
    }
    LRESULT Removal(const std::wstring& path) const {
        return window.SendDeviceChange(DBT_DEVICEREMOVECOMPLETE,
                                       test::InterfaceBroadcast(path).data());
    }

    test::TestWindow window;
    std::vector<std::pair<std::string, FakeInterface>> present;
    FakePlatform* platform = nullptr;
    PlatformLog log;
    std::optional<std::size_t> baseline;
    int releasingCalls = 0;
    bool handleOpenWhenReleasing = false;
};

TEST_F(ControllerStateTest, NoControllerAtStartDisablesTheCommandButtonsOnly) {
    present = {{kKeyboardPath, kKeyboard}, {kMousePath, kMouse}};
    EXPECT_EQ(StartLink(), TRUE);
    EXPECT_EQ(window.CommandButtonsEnabled(), kAllDisabled);
    EXPECT_TRUE(window.ButtonEnabled(IDCANCEL));
    ExpectControllerStateEmpty();
    EXPECT_EQ(log.opened.size(), 2u);
    EXPECT_EQ(ExtraHandles(), 0);
}

TEST_F(ControllerStateTest, FirstControllerInIndexOrderBecomesCurrent) {
    present = {{kKeyboardPath, kKeyboard},
               {kControllerPath, kController},
               {kSecondControllerPath, kController}};
    EXPECT_EQ(StartLink(), TRUE);
    ExpectCurrent(kControllerPath);
    EXPECT_EQ(ExtraHandles(), 1);
}

TEST_F(ControllerStateTest, ReportsLongerThan64BytesAreNotTheController) {
    present = {{kControllerPath, {.firstReportId = 0xAA, .outputLength = 65}}};
    EXPECT_EQ(StartLink(), TRUE);
    ExpectControllerStateEmpty();
    EXPECT_EQ(window.CommandButtonsEnabled(), kAllDisabled);
}

TEST_F(ControllerStateTest, RemovalOfAnotherInterfaceKeepsTheController) {
    present = {{kKeyboardPath, kKeyboard}, {kControllerPath, kController}};
    ASSERT_EQ(StartLink(), TRUE);
    platform->Remove(kKeyboardPath);
    EXPECT_EQ(Removal(WideFromUtf8(kKeyboardPath)), TRUE);
    ExpectCurrent(kControllerPath);
    EXPECT_EQ(releasingCalls, 0);
    EXPECT_EQ(ExtraHandles(), 1);
}

TEST_F(ControllerStateTest, ControllerRemovalInOtherCaseReleasesAndEmptiesTheCopies) {
    present = {{kControllerPath, kController}};
    ASSERT_EQ(StartLink(), TRUE);
    platform->Remove(kControllerPath);
    EXPECT_EQ(Removal(Lowercase(kControllerPath)), TRUE);
    ExpectControllerStateEmpty();
    EXPECT_EQ(g_productName[0], L'\0');
    EXPECT_EQ(window.CommandButtonsEnabled(), kAllDisabled);
    EXPECT_EQ(releasingCalls, 1);
    EXPECT_TRUE(handleOpenWhenReleasing);  // told before the handle was closed
    EXPECT_EQ(log.enumerations, 2);        // the present interfaces were searched again
    EXPECT_EQ(ExtraHandles(), 0);
}

TEST_F(ControllerStateTest, ControllerRemovalHandsOverToAnotherPresentController) {
    present = {{kControllerPath, kController}, {kSecondControllerPath, kController}};
    ASSERT_EQ(StartLink(), TRUE);
    platform->Remove(kControllerPath);
    EXPECT_EQ(Removal(WideFromUtf8(kControllerPath)), TRUE);
    ExpectCurrent(kSecondControllerPath);
    EXPECT_EQ(ExtraHandles(), 1);
}

TEST_F(ControllerStateTest, ArrivalsKeepOneControllerAtATime) {
    ASSERT_EQ(StartLink(), TRUE);
    EXPECT_EQ(window.CommandButtonsEnabled(), kAllDisabled);
    platform->present = {{kKeyboardPath, kKeyboard}, {kControllerPath, kController}};
    EXPECT_EQ(Arrival(WideFromUtf8(kKeyboardPath)), TRUE);
    ExpectControllerStateEmpty();
    EXPECT_EQ(Arrival(WideFromUtf8(kControllerPath)), TRUE);
    ExpectCurrent(kControllerPath);
    platform->present.emplace_back(kSecondControllerPath, kController);
    EXPECT_EQ(Arrival(WideFromUtf8(kSecondControllerPath)), TRUE);
    ExpectCurrent(kControllerPath);
    EXPECT_EQ(ExtraHandles(), 1);  // the second controller was closed again
}

TEST_F(ControllerStateTest, BroadcastsThatNameNoInterfaceChangeNothing) {
    present = {{kControllerPath, kController}};
    ASSERT_EQ(StartLink(), TRUE);
    const std::wstring controller = WideFromUtf8(kControllerPath);
    const test::Broadcast volume = test::VolumeBroadcast();
    const test::Broadcast truncated = test::InterfaceBroadcast(controller, 8);
    const test::Broadcast notInterface = test::InterfaceBroadcast(controller, 0, DBT_DEVTYP_HANDLE);
    const test::Broadcast named = test::InterfaceBroadcast(controller);
    const test::Broadcast unknown = test::InterfaceBroadcast(L"\\\\?\\HID#VID_FFFF&PID_FFFF#x");
    const struct {
        WPARAM event;
        const void* broadcast;
    } events[] = {
        {DBT_DEVICEREMOVECOMPLETE, volume.data()},
        {DBT_DEVICEREMOVECOMPLETE, truncated.data()},
        {DBT_DEVICEREMOVECOMPLETE, notInterface.data()},
        {DBT_DEVICEREMOVECOMPLETE, nullptr},
        {DBT_DEVICEREMOVECOMPLETE, unknown.data()},
        {DBT_DEVICEARRIVAL, unknown.data()},  // cannot be opened
        {DBT_DEVICEQUERYREMOVE, named.data()},
        {DBT_DEVICEREMOVEPENDING, named.data()},
        {DBT_DEVNODES_CHANGED, nullptr},
    };
    for (const auto& e : events) {
        EXPECT_EQ(window.SendDeviceChange(e.event, e.broadcast), TRUE) << e.event;
        ExpectCurrent(kControllerPath);
    }
    EXPECT_EQ(releasingCalls, 0);
    EXPECT_EQ(ExtraHandles(), 1);
}

TEST_F(ControllerStateTest, DestructionReleasesTheControllerAndLeavesTheButtons) {
    present = {{kControllerPath, kController}};
    ASSERT_EQ(StartLink(), TRUE);
    ReleaseControllerOnDestroy();
    ExpectControllerStateEmpty();
    EXPECT_EQ(releasingCalls, 1);
    EXPECT_TRUE(handleOpenWhenReleasing);
    EXPECT_EQ(window.CommandButtonsEnabled(), kAllEnabled);
    EXPECT_EQ(ExtraHandles(), 0);
    // Nothing follows hot-plug any more.
    EXPECT_EQ(Arrival(WideFromUtf8(kControllerPath)), TRUE);
    ExpectControllerStateEmpty();
}

TEST_F(ControllerStateTest, EnableCommandButtonsTouchesExactly1000To1007) {
    ASSERT_EQ(StartLink(), TRUE);
    EnableCommandButtons(true);
    EXPECT_EQ(window.CommandButtonsEnabled(), kAllEnabled);
    EXPECT_TRUE(window.ButtonEnabled(IDCANCEL));
    EnableCommandButtons(false);
    EXPECT_EQ(window.CommandButtonsEnabled(), kAllDisabled);
    EXPECT_TRUE(window.ButtonEnabled(IDCANCEL));
}

TEST_F(ControllerStateTest, RefusedRegistrationSearchesNothing) {
    present = {{kControllerPath, kController}};
    test::TestWindow gone;
    const HWND destroyed = gone.hwnd();
    gone.Destroy();
    EXPECT_EQ(StartLink(destroyed), FALSE);
    EXPECT_EQ(log.enumerations, 0);
    ExpectControllerStateEmpty();
    const test::Broadcast arrival = test::InterfaceBroadcast(WideFromUtf8(kControllerPath));
    EXPECT_EQ(OnDeviceChange(DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(arrival.data())), TRUE);
    ExpectControllerStateEmpty();
    EXPECT_EQ(ExtraHandles(), 0);
}

}  // namespace
}  // namespace norvessa
