#include "controller/win32/win32_hid_platform.h"

#include <cstddef>
#include <cwchar>

#include "controller/win32/controller_device.h"
#include "controller/win32/hid_api.h"
#include "controller/win32/wide_text.h"
#include "controller/win32/win32_handles.h"

namespace norvessa {
namespace {

// A set that never reports its end must not hold the window forever.
constexpr DWORD kMaxMemberIndex = 4096;

GUID HidInterfaceClass() {
    GUID guid{};
    ::HidD_GetHidGuid(&guid);
    return guid;
}

// The two-call pattern: ask for the size, then read the detail into a buffer of that size.
std::optional<std::wstring> InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interfaceData,
                                          SP_DEVINFO_DATA& deviceData) {
    DWORD required = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        return std::nullopt;
    }
    // Storage of 8-byte words keeps the detail record aligned.
    std::vector<std::uint64_t> storage((required + sizeof(std::uint64_t) - 1) /
                                       sizeof(std::uint64_t));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    detail->DevicePath[0] = L'\0';
    if (!::SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, required, nullptr,
                                            &deviceData)) {
        return std::nullopt;
    }
    const std::size_t pathChars =
        (required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(wchar_t);
    return std::wstring(detail->DevicePath, ::wcsnlen(detail->DevicePath, pathChars));
}

}  // namespace

bool ForEachHidInterface(const HidInterfaceVisitor& visit) {
    GUID hidClass = HidInterfaceClass();
    DeviceInfoSet set(
        ::SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set) {
        return false;
    }
    for (DWORD index = 0; index < kMaxMemberIndex; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof(interfaceData);
        if (!::SetupDiEnumDeviceInterfaces(set.get(), nullptr, &hidClass, index, &interfaceData)) {
            if (::GetLastError() == ERROR_NO_MORE_ITEMS) {
                break;
            }
            continue;
        }
        SP_DEVINFO_DATA deviceData{};
        deviceData.cbSize = sizeof(deviceData);
        const std::optional<std::wstring> path =
            InterfacePath(set.get(), interfaceData, deviceData);
        if (path && !path->empty() && !visit(*path, deviceData.DevInst)) {
            break;
        }
    }
    return true;
}

std::optional<std::vector<std::wstring>> EnumerateHidInterfacePaths() {
    std::vector<std::wstring> paths;
    if (!ForEachHidInterface([&](const std::wstring& path, DWORD) {
            paths.push_back(path);
            return true;
        })) {
        return std::nullopt;
    }
    return paths;
}

bool SameDevicePath(const std::string& a, const std::string& b) {
    const std::wstring wideA = WideFromUtf8(a);
    const std::wstring wideB = WideFromUtf8(b);
    if (wideA.size() != wideB.size()) {
        return false;
    }
    return ::CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                                  static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

std::optional<std::vector<std::string>> Win32HidPlatform::EnumeratePresent() {
    std::optional<std::vector<std::wstring>> widePaths = EnumerateHidInterfacePaths();
    if (!widePaths) {
        return std::nullopt;
    }
    std::vector<std::string> paths;
    paths.reserve(widePaths->size());
    for (const std::wstring& path : *widePaths) {
        paths.push_back(Utf8FromWide(path));
    }
    return paths;
}

std::unique_ptr<OpenedInterface> Win32HidPlatform::Open(const std::string& path) {
    return DeviceListEntry::Open(WideFromUtf8(path));
}

bool Win32HidPlatform::SamePath(const std::string& a, const std::string& b) const {
    return SameDevicePath(a, b);
}

}  // namespace norvessa
