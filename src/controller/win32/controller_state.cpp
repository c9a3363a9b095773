#include "controller/win32/controller_state.h"

#include <new>
#include <optional>
#include <string>

#include "controller/win32/device_broadcast.h"
#include "controller/win32/wide_text.h"
#include "controller/win32/win32_hid_platform.h"

namespace norvessa {

DeviceListEntry* g_currentEntry = nullptr;
BorrowedDevice g_writeDevice;
BorrowedDevice g_readDevice;
std::uint32_t g_outputReportLength = 0;
HWND g_mainWindow = nullptr;
DeviceNotification g_deviceNotification;
std::array<wchar_t, 260> g_productName{};

namespace {

std::unique_ptr<HidPlatform> g_platform;
std::unique_ptr<ControllerLink> g_link;
std::function<void()> g_releasingHandler;

void EmptyControllerState() {
    g_currentEntry = nullptr;
    g_writeDevice = BorrowedDevice{};
    g_readDevice = BorrowedDevice{};
    g_outputReportLength = 0;
    g_productName.fill(L'\0');
}

void MakeEntryCurrent(DeviceListEntry& entry) {
    const ControllerDevice& device = entry.device();
    g_productName.fill(L'\0');
    // Leaves the last character for the terminator; the name is informational only.
    ::HidD_GetProductString(device.handle.get(), g_productName.data(),
                            static_cast<ULONG>((g_productName.size() - 1) * sizeof(wchar_t)));
    g_writeDevice.handle = device.handle.get();
    g_readDevice.handle = device.handle.get();
    g_currentEntry = &entry;
    g_outputReportLength = device.caps.OutputReportByteLength;
}

void OnReleasing(OpenedInterface&) {
    if (g_releasingHandler) {
        g_releasingHandler();
    }
    EmptyControllerState();
}

void OnChanged(OpenedInterface* current) {
    auto* entry = dynamic_cast<DeviceListEntry*>(current);
    if (entry != nullptr) {
        MakeEntryCurrent(*entry);
    } else {
        EmptyControllerState();
    }
    EnableCommandButtons(g_currentEntry != nullptr);
}

void TearDownLink() {
    if (g_link) {
        g_link->Release();
    }
    g_link.reset();
    g_platform.reset();
    EmptyControllerState();
}

// The registration and the link, without a search. FALSE when either is refused.
BOOL RegisterAndCreateLink(HWND mainWindow, std::unique_ptr<HidPlatform> platform) {
    TearDownLink();
    g_deviceNotification.reset();
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    ::HidD_GetHidGuid(&filter.dbcc_classguid);
    g_mainWindow = mainWindow;
    g_deviceNotification.reset(
        ::RegisterDeviceNotificationW(mainWindow, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
    if (!g_deviceNotification) {
        return FALSE;
    }
    try {
        g_link = std::make_unique<ControllerLink>(
            *platform, ControllerEvents{.releasing = OnReleasing, .changed = OnChanged});
    } catch (const std::bad_alloc&) {
        g_deviceNotification.reset();
        return FALSE;
    }
    g_platform = std::move(platform);
    return TRUE;
}

std::unique_ptr<DeviceListEntry> ReadyEntry(ReadyController ready) {
    ControllerDevice device;
    device.path = std::move(ready.path);
    device.handle = std::move(ready.handle);
    device.caps.InputReportByteLength = ready.inputReportLength;
    device.caps.OutputReportByteLength = ready.outputReportLength;
    return std::make_unique<DeviceListEntry>(std::move(device));
}

}  // namespace

BOOL SetUpControllerLink(HWND mainWindow) {
    try {
        return SetUpControllerLinkWith(mainWindow, std::make_unique<Win32HidPlatform>());
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL SetUpControllerLinkWith(HWND mainWindow, std::unique_ptr<HidPlatform> platform) {
    if (!RegisterAndCreateLink(mainWindow, std::move(platform))) {
        return FALSE;
    }
    FindController();
    return TRUE;
}

BOOL SetUpControllerLinkWithReady(HWND mainWindow, ReadyController ready) {
    try {
        return SetUpControllerLinkWithReady(mainWindow, std::move(ready),
                                            std::make_unique<Win32HidPlatform>());
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL SetUpControllerLinkWithReady(HWND mainWindow, ReadyController ready,
                                  std::unique_ptr<HidPlatform> platform) {
    try {
        if (!RegisterAndCreateLink(mainWindow, std::move(platform))) {
            return FALSE;
        }
        if (!g_link->Adopt(ReadyEntry(std::move(ready)))) {
            EnableCommandButtons(false);
        }
    } catch (const std::bad_alloc&) {
        EnableCommandButtons(false);
    }
    return TRUE;
}

bool FindController() {
    if (!g_link) {
        return false;
    }
    return g_link->FindController();
}

void EnableCommandButtons(bool enable) {
    if (g_mainWindow == nullptr) {
        return;
    }
    for (int id = FIRST_COMMAND_BUTTON_ID; id <= LAST_COMMAND_BUTTON_ID; ++id) {
        HWND button = ::GetDlgItem(g_mainWindow, id);
        if (button != nullptr) {
            ::EnableWindow(button, enable ? TRUE : FALSE);
        }
    }
}

BOOL OnDeviceChange(WPARAM eventType, LPARAM eventData) {
    if (!g_link || (eventType != DBT_DEVICEARRIVAL && eventType != DBT_DEVICEREMOVECOMPLETE)) {
        return TRUE;
    }
    try {
        const std::optional<std::wstring> name =
            DeviceInterfaceName(reinterpret_cast<const void*>(eventData));
        if (!name) {
            return TRUE;
        }
        const std::string path = Utf8FromWide(*name);
        if (eventType == DBT_DEVICEARRIVAL) {
            g_link->OnArrival(path);
        } else {
            g_link->OnRemoval(path);
        }
        return TRUE;
    } catch (...) {
        // Nothing may leave a window procedure; an arrival that could not be followed is
        // reported as unhandled.
        return FALSE;
    }
}

bool OnCurrentControllerGone() {
    if (!g_link) {
        return false;
    }
    try {
        return g_link->OnCurrentGone();
    } catch (...) {
        // Nothing may leave the window procedure that called this.
        return false;
    }
}

void ReleaseControllerOnDestroy() {
    TearDownLink();
    g_deviceNotification.reset();
    g_mainWindow = nullptr;
}

void SetControllerReleasingHandler(std::function<void()> handler) {
    g_releasingHandler = std::move(handler);
}

}  // namespace norvessa
