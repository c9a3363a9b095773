// The real HID path against the two virtual interfaces that Wine presents (vendor 0x845E: a
// mouse, product 1, and a keyboard, product 2). Neither is the controller.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <utility>

#include "controller/win32/controller_device.h"
#include "controller/win32/controller_state.h"
#include "controller/win32/device_identity.h"
#include "controller/win32/wide_text.h"
#include "controller/win32/win32_hid_platform.h"
#include "hid_caps_record.h"
#include "process_handles.h"
#include "test_window.h"

namespace norvessa {
namespace {

bool NamesWineInterface(const std::string& path, const char* product) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find(std::string("vid_845e&pid_") + product) != std::string::npos;
}

std::wstring WinePath(const char* product) {
    for (const std::wstring& path :
         EnumerateHidInterfacePaths().value_or(std::vector<std::wstring>{})) {
        if (NamesWineInterface(Utf8FromWide(path), product))
            return path;
    }
    return {};
}

// Passes everything to the real platform and notes what each open gave.
class RecordingPlatform : public HidPlatform {
  public:
    struct Opened {
        std::string path;
        bool opened = false;
        bool overlapped = false;
        HidCaps caps;
        std::vector<OutputDataEntry> table;
    };
    std::vector<Opened> log;

    std::optional<std::vector<std::string>> EnumeratePresent() override {
        return real_.EnumeratePresent();
    }
    std::unique_ptr<OpenedInterface> Open(const std::string& path) override {
        std::unique_ptr<OpenedInterface> device = real_.Open(path);
        Opened opened{.path = path, .opened = device != nullptr};
        if (auto* entry = dynamic_cast<DeviceListEntry*>(device.get())) {
            opened.overlapped = test::IsOverlappedHandle(entry->device().handle.get());
            opened.caps = entry->caps();
            opened.table.assign(entry->outputTable().begin(), entry->outputTable().end());
        }
        log.push_back(opened);
        return device;
    }
    bool SamePath(const std::string& a, const std::string& b) const override {
        return real_.SamePath(a, b);
    }

  private:
    Win32HidPlatform real_;
};

class WineHidTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(test::WaitForWineInterfaces())
            << "Wine's virtual HID interfaces never appeared";
        baseline = test::OpenHandleCount();
        ASSERT_TRUE(baseline.has_value());
    }
    long ExtraHandles() const {
        return static_cast<long>(*test::OpenHandleCount()) - static_cast<long>(*baseline);
    }

    std::optional<std::size_t> baseline;
};

TEST_F(WineHidTest, SearchOpensAndDescribesBothVirtualInterfacesAndRefusesThem) {
    RecordingPlatform platform;
    {
        ControllerLink link(platform, {});
        EXPECT_FALSE(link.FindController());
    }
    for (const char* product : {"0001", "0002"}) {
        const auto opened =
            std::find_if(platform.log.begin(), platform.log.end(),
                         [&](const auto& o) { return NamesWineInterface(o.path, product); });
        ASSERT_NE(opened, platform.log.end()) << "Wine interface pid_" << product;
        EXPECT_TRUE(opened->opened);
        EXPECT_TRUE(opened->overlapped);
        EXPECT_GT(opened->caps.inputReportByteLength, 0);
        // Wine's mouse and keyboard declare no output report: the table is built, and empty.
        EXPECT_EQ(opened->caps.outputReportByteLength, 0);
        EXPECT_TRUE(opened->table.empty());
        EXPECT_EQ(MatchController(true, opened->caps, opened->table), MatchResult::EmptyTable);
    }
    EXPECT_EQ(ExtraHandles(), 0);
}

TEST_F(WineHidTest, OpenReadsTheDescriptionThenKeepsOnlyAnOverlappedHandle) {
    {
        const std::unique_ptr<DeviceListEntry> keyboard = DeviceListEntry::Open(WinePath("0002"));
        ASSERT_NE(keyboard, nullptr);
        const ControllerDevice& device = keyboard->device();
        EXPECT_EQ(device.attributes.VendorID, 0x845E);
        EXPECT_EQ(device.attributes.ProductID, 0x0002);
        EXPECT_TRUE(device.preparsed.valid());
        EXPECT_TRUE(test::IsOverlappedHandle(device.handle.get()));
        EXPECT_TRUE(SameDevicePath(keyboard->path(), Utf8FromWide(WinePath("0002"))));
        EXPECT_EQ(ExtraHandles(), 1);
    }
    EXPECT_EQ(ExtraHandles(), 0);
}

// "\\?\HID#VID_845E&PID_0001#1&2d595ca7&0&0000#{guid}" names the device instance
// HID\VID_845E&PID_0001\1&2d595ca7&0&0000 in its middle part.
std::string InstanceIdInInterfacePath(const std::wstring& path) {
    std::string id = Utf8FromWide(path.substr(4, path.find(L"#{") - 4));
    std::replace(id.begin(), id.end(), '#', '\\');
    std::transform(id.begin(), id.end(), id.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return id;
}

// Wine's interfaces hang off its own bus, not USB: each tells the HID device's instance path.
TEST_F(WineHidTest, IdentityTellsVendorProductAndTheDeviceInstancePath) {
    std::vector<std::string> ports;
    for (const auto& [product, productId] : {std::pair{"0001", 1}, std::pair{"0002", 2}}) {
        const std::wstring path = WinePath(product);
        ASSERT_FALSE(path.empty()) << product;
        const std::unique_ptr<DeviceListEntry> entry = DeviceListEntry::Open(path);
        ASSERT_NE(entry, nullptr);
        InterfaceIdentity identity = entry->identity();
        EXPECT_EQ(identity.vendorId, 0x845E);
        EXPECT_EQ(identity.productId, productId);
        EXPECT_FALSE(identity.productName.empty());
        // Wine's virtual devices have a serial string; read over the overlapped handle.
        EXPECT_FALSE(identity.serialNumber.empty());
        std::transform(identity.usbPort.begin(), identity.usbPort.end(), identity.usbPort.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        EXPECT_EQ(identity.usbPort, InstanceIdInInterfacePath(path));
        EXPECT_EQ(Utf8FromWide(DeviceInstancePath(path)), entry->identity().usbPort);
        ports.push_back(identity.usbPort);
    }
    EXPECT_NE(ports[0], ports[1]);
    EXPECT_EQ(DeviceInstancePath(L"\\\\?\\hid#vid_ffff&pid_ffff#0#{4d1e55b2}"), L"");
    EXPECT_EQ(ExtraHandles(), 0);
}

class FailedOpen : public WineHidTest, public ::testing::WithParamInterface<const char*> {};

// Paths that fail at different steps: before anything is taken, at the open, and after the
// open (a plain file is no HID interface, so its description cannot be read).
TEST_P(FailedOpen, GivesBackEverythingItTook) {
    std::wstring path = WideFromUtf8(GetParam());
    std::wstring plainFile;
    if (path == L"<plain file>") {
        wchar_t directory[MAX_PATH + 1]{};
        wchar_t file[MAX_PATH + 1]{};
        ASSERT_NE(::GetTempPathW(MAX_PATH, directory), 0u);
        ASSERT_NE(::GetTempFileNameW(directory, L"nvs", 0, file), 0u);
        plainFile = path = file;
    }
    ControllerDevice device;
    EXPECT_FALSE(OpenControllerDevice(device, path));
    EXPECT_TRUE(device.path.empty());
    EXPECT_FALSE(device.handle.valid());
    EXPECT_FALSE(device.preparsed.valid());
    EXPECT_TRUE(device.output.outTable.empty());
    EXPECT_TRUE(device.output.outBuffer.empty());
    EXPECT_EQ(ExtraHandles(), 0);
    CloseControllerDevice(device);  // on an empty record: nothing to give back
    EXPECT_EQ(ExtraHandles(), 0);
    if (!plainFile.empty()) {
        EXPECT_TRUE(::DeleteFileW(plainFile.c_str()));  // no handle left on it
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, FailedOpen,
                         ::testing::Values("", "\\\\?\\hid#vid_ffff&pid_ffff#0#{4d1e55b2}",
                                           "<plain file>"));

TEST_F(WineHidTest, BroadcastsThatConcernNoControllerChangeNothing) {
    const std::wstring keyboard = WinePath("0002");
    std::wstring mouseUpper = WinePath("0001");
    ASSERT_FALSE(keyboard.empty());
    ASSERT_FALSE(mouseUpper.empty());
    std::transform(mouseUpper.begin(), mouseUpper.end(), mouseUpper.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    {
        if (!test::HaveDisplay())
            GTEST_SKIP() << "no display: the window tests need DISPLAY";
        test::TestWindow window;
        ASSERT_NE(window.hwnd(), nullptr);
        EXPECT_EQ(SetUpControllerLink(window.hwnd()), TRUE);
        EXPECT_EQ(window.CommandButtonsEnabled(), std::vector<bool>(8, false));
        EXPECT_TRUE(window.ButtonEnabled(IDCANCEL));
        const std::optional<std::size_t> afterSetUp = test::OpenHandleCount();

        const test::Broadcast unopenable =
            test::InterfaceBroadcast(L"\\\\?\\hid#vid_ffff&pid_ffff#0#{4d1e55b2}");
        const test::Broadcast keyboardArrival = test::InterfaceBroadcast(keyboard);
        const test::Broadcast mouseArrival = test::InterfaceBroadcast(mouseUpper);
        const test::Broadcast unrelatedRemoval =
            test::InterfaceBroadcast(L"\\\\?\\usb#vid_0781&pid_5567#4c530001#{a5dcbf10}");
        const test::Broadcast volume = test::VolumeBroadcast();
        const struct {
            WPARAM event;
            const void* broadcast;
        } events[] = {
            {DBT_DEVICEARRIVAL, unopenable.data()},
            {DBT_DEVICEARRIVAL, keyboardArrival.data()},
            {DBT_DEVICEARRIVAL, mouseArrival.data()},
            {DBT_DEVICEREMOVECOMPLETE, unrelatedRemoval.data()},
            {DBT_DEVICEREMOVECOMPLETE, keyboardArrival.data()},
            {DBT_DEVICEARRIVAL, volume.data()},
            {DBT_DEVICEREMOVECOMPLETE, volume.data()},
        };
        for (const auto& e : events) {
            EXPECT_EQ(window.SendDeviceChange(e.event, e.broadcast), TRUE);
            EXPECT_EQ(g_currentEntry, nullptr);
            EXPECT_EQ(g_writeDevice.handle, INVALID_HANDLE_VALUE);
            EXPECT_EQ(g_outputReportLength, 0u);
            EXPECT_EQ(window.CommandButtonsEnabled(), std::vector<bool>(8, false));
        }
        EXPECT_EQ(test::OpenHandleCount(), afterSetUp);
    }
    EXPECT_EQ(ExtraHandles(), 0);
}

}  // namespace
}  // namespace norvessa
