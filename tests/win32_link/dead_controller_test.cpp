// A controller whose removal was missed: the simulated controller's pipe is current, and a
// matching controller arrives. A pipe that still works keeps the newcomer out; a broken one
// gives way to it, released as a removal would release it. And the same probe on a real HID
// handle.
#include <gtest/gtest.h>

#include "controller/win32/controller_state.h"
#include "controller/win32/wide_text.h"
#include "controller/win32/win32_hid_platform.h"
#include "pipe_controller.h"
#include "protocol/win32/input_flush.h"
#include "test_window.h"

namespace norvessa {
namespace {

const std::string kArrivingPath = "\\\\?\\HID#VID_0EEF&PID_0005#7&9&0&0000#{4d1e55b2}";

// Opens only the arriving controller; its entry holds an event in place of a device handle.
class ArrivingControllerPlatform : public HidPlatform {
  public:
    std::optional<std::vector<std::string>> EnumeratePresent() override {
        return std::vector<std::string>{};
    }
    std::unique_ptr<OpenedInterface> Open(const std::string& path) override {
        if (!SameDevicePath(path, kArrivingPath)) {
            return nullptr;
        }
        ControllerDevice record;
        record.path = WideFromUtf8(path);
        record.handle.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        record.caps.OutputReportByteLength = 64;
        record.caps.InputReportByteLength = 64;
        record.output.outTable.push_back(OutputDataEntry{.reportId = CONTROLLER_REPORT_ID});
        return std::make_unique<DeviceListEntry>(std::move(record));
    }
    bool SamePath(const std::string& a, const std::string& b) const override {
        return SameDevicePath(a, b);
    }
};

struct DeadCase {
    const char* name;
    bool breakThePipe;
    bool newcomerCurrent;
};

class DeadControllerTest : public testing::TestWithParam<DeadCase> {
  protected:
    void SetUp() override {
        if (!test::HaveDisplay()) {
            GTEST_SKIP() << "no display: the window tests need DISPLAY";
        }
        ASSERT_NE(window_.hwnd(), nullptr);
        SetControllerReleasingHandler([this] { ++releasingCalls_; });
    }
    void TearDown() override {
        window_.Destroy();
        SetControllerReleasingHandler(nullptr);
    }

    test::TestWindow window_;
    test::PipeController pipe_;
    int releasingCalls_ = 0;
};

TEST_P(DeadControllerTest, AMatchingArrivalReplacesOnlyADeadController) {
    const std::wstring pipePath = pipe_.peer->path();
    ASSERT_EQ(
        SetUpControllerLinkWithReady(
            window_.hwnd(), ReadyController{.path = pipePath, .handle = std::move(pipe_.host)},
            std::make_unique<ArrivingControllerPlatform>()),
        TRUE);
    ASSERT_NE(g_currentEntry, nullptr);
    if (GetParam().breakThePipe) {
        pipe_.peer->Disconnect();
    }

    EXPECT_EQ(window_.SendDeviceChange(
                  DBT_DEVICEARRIVAL, test::InterfaceBroadcast(WideFromUtf8(kArrivingPath)).data()),
              TRUE);

    ASSERT_NE(g_currentEntry, nullptr);
    const std::string expected =
        GetParam().newcomerCurrent ? kArrivingPath : Utf8FromWide(pipePath);
    EXPECT_EQ(g_currentEntry->path(), expected);
    EXPECT_EQ(g_readDevice.handle, g_currentEntry->device().handle.get());
    EXPECT_EQ(releasingCalls_, GetParam().newcomerCurrent ? 1 : 0);
    EXPECT_EQ(window_.CommandButtonsEnabled(), std::vector<bool>(8, true));
}

INSTANTIATE_TEST_SUITE_P(Pipes, DeadControllerTest,
                         testing::Values(DeadCase{"Working", false, false},
                                         DeadCase{"Broken", true, true}),
                         [](const testing::TestParamInfo<DeadCase>& param) {
                             return param.param.name;
                         });

// The HID side of the probe and the flush, on a real HID collection's handle (one of Wine's
// virtual interfaces): alive, and its input queue flushed by the class driver.
TEST(HidHandleTest, AnOpenInterfaceIsAliveAndItsQueueFlushes) {
    std::unique_ptr<DeviceListEntry> entry;
    for (const std::wstring& path :
         EnumerateHidInterfacePaths().value_or(std::vector<std::wstring>{})) {
        if ((entry = DeviceListEntry::Open(path)) != nullptr) {
            break;
        }
    }
    if (!entry) {
        GTEST_SKIP() << "no HID interface opens here";
    }
    EXPECT_TRUE(entry->IsAlive());
    EXPECT_EQ(DiscardQueuedInput(entry->device().handle.get()), FlushResult::Flushed);
}

}  // namespace
}  // namespace norvessa
