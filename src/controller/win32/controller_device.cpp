#include "controller/win32/controller_device.h"

#include <algorithm>
#include <new>
#include <vector>

#include "controller/log.h"
#include "controller/win32/device_gone.h"
#include "controller/win32/device_identity.h"
#include "controller/win32/error_text.h"
#include "controller/win32/hid_caps_convert.h"
#include "controller/win32/wide_text.h"

namespace norvessa {
namespace {

constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE OpenInterface(const std::wstring& path, DWORD flags, DWORD access = kAccess) {
    return ::CreateFileW(path.c_str(), access, kSharing, nullptr, OPEN_EXISTING, flags, nullptr);
}

// Reads the output capabilities through the parser and converts them. The loops of the build
// run over the counts from the caps, so the counts handed back here are not used.
OutputCapsReader MakeOutputCapsReader(PHIDP_PREPARSED_DATA preparsed) {
    return OutputCapsReader{
        .readButtonCaps =
            [preparsed](std::span<HidButtonCaps> out) {
                std::vector<HIDP_BUTTON_CAPS> parsed(out.size());
                USHORT length = static_cast<USHORT>(parsed.size());
                if (::HidP_GetButtonCaps(HidP_Output, parsed.data(), &length, preparsed) !=
                    HIDP_STATUS_SUCCESS) {
                    return false;
                }
                std::transform(parsed.begin(), parsed.end(), out.begin(),
                               [](const HIDP_BUTTON_CAPS& c) { return ToPortableReportCaps(c); });
                return true;
            },
        .readValueCaps =
            [preparsed](std::span<HidValueCaps> out) {
                std::vector<HIDP_VALUE_CAPS> parsed(out.size());
                USHORT length = static_cast<USHORT>(parsed.size());
                if (::HidP_GetValueCaps(HidP_Output, parsed.data(), &length, preparsed) !=
                    HIDP_STATUS_SUCCESS) {
                    return false;
                }
                std::transform(parsed.begin(), parsed.end(), out.begin(),
                               [](const HIDP_VALUE_CAPS& c) { return ToPortableReportCaps(c); });
                return true;
            },
        .maxUsageListLength =
            [preparsed](std::uint16_t usagePage) {
                return static_cast<std::uint32_t>(
                    ::HidP_MaxUsageListLength(HidP_Output, usagePage, preparsed));
            },
    };
}

void LogOpenFailure(const std::wstring& path, DWORD error) {
    // Every HID device but the controller may be closed to the user (keyboards, mice): no error.
    Log(error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? LogLevel::Debug
                                                                         : LogLevel::Error,
        "cannot open " + Utf8FromWide(path) + ": " + WindowsErrorText(error));
}

// The description's steps over the handle the record holds; on false the caller empties it.
bool DescribeSteps(ControllerDevice& device) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!::HidD_GetPreparsedData(device.handle.get(), &preparsed)) {
        LogError("HID description of " + Utf8FromWide(device.path) +
                 " refused: " + WindowsErrorText(::GetLastError()));
        return false;
    }
    device.preparsed.reset(preparsed);
    device.attributes.Size = sizeof(device.attributes);
    if (!::HidD_GetAttributes(device.handle.get(), &device.attributes)) {
        return false;
    }
    if (::HidP_GetCaps(device.preparsed.get(), &device.caps) != HIDP_STATUS_SUCCESS) {
        return false;
    }
    if (!BuildOutputDataTable(ToPortableCaps(device.caps),
                              MakeOutputCapsReader(device.preparsed.get()), device.output)) {
        return false;
    }
    return true;
}

// The open's steps in order; on false the caller empties the record.
bool OpenSteps(ControllerDevice& device, const std::wstring& path) {
    device.path = path;
    device.handle.reset(OpenInterface(path, 0));
    if (!device.handle) {
        LogOpenFailure(path, ::GetLastError());
        return false;
    }
    if (!DescribeSteps(device)) {
        return false;
    }
    // The description is complete; from here on the controller is used overlapped only.
    device.handle.reset();
    device.handle.reset(OpenInterface(path, FILE_FLAG_OVERLAPPED));
    return device.handle.valid();
}

}  // namespace

bool OpenControllerDevice(ControllerDevice& device, const std::wstring& path) {
    if (path.empty()) {
        return false;
    }
    bool opened = false;
    try {
        opened = OpenSteps(device, path);
    } catch (const std::bad_alloc&) {
        opened = false;
    }
    if (!opened) {
        CloseControllerDevice(device);
    }
    return opened;
}

bool DescribeInterfaceInUse(ControllerDevice& device, const std::wstring& path) {
    bool described = false;
    try {
        device.path = path;
        const UniqueFileHandle probe(OpenInterface(path, 0));
        // Another program opened it without sharing: a handle without read or write access
        // still reads its description, which tells whether it is the controller.
        if (!probe && ::GetLastError() == ERROR_SHARING_VIOLATION) {
            device.handle.reset(OpenInterface(path, 0, 0));
            described = device.handle.valid() && DescribeSteps(device);
        }
    } catch (const std::bad_alloc&) {
        described = false;
    }
    if (!described) {
        CloseControllerDevice(device);
    }
    return described;
}

void CloseControllerDevice(ControllerDevice& device) {
    // std::wstring{}.swap frees the copy; clear() alone would keep its storage.
    std::wstring().swap(device.path);
    device.handle.reset();
    device.preparsed.reset();
    device.caps = HIDP_CAPS{};
    device.attributes = HIDD_ATTRIBUTES{};
    device.output = OutputGroup{};
}

DeviceListEntry::DeviceListEntry(ControllerDevice device, InterfaceIdentity identity)
    : device_(std::move(device)),
      path_(Utf8FromWide(device_.path)),
      caps_(ToPortableCaps(device_.caps)),
      identity_(std::move(identity)) {}

DeviceListEntry::~DeviceListEntry() {
    CloseControllerDevice(device_);
}

bool DeviceListEntry::IsAlive() const {
    return IsHandleAlive(device_.handle.get());
}

std::unique_ptr<DeviceListEntry> DeviceListEntry::Open(const std::wstring& path) {
    ControllerDevice device;
    if (!OpenControllerDevice(device, path)) {
        return nullptr;
    }
    try {
        InterfaceIdentity identity = ReadDeviceIdentity(device);
        return std::make_unique<DeviceListEntry>(std::move(device), std::move(identity));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace norvessa
