#include "controller/win32/device_broadcast.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "controller/win32/hid_api.h"

namespace norvessa {
namespace {

// The longest path Windows hands out, in characters, with its terminator.
constexpr std::size_t kMaxPathChars = 32768;
constexpr std::size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);

}  // namespace

std::optional<std::wstring> DeviceInterfaceName(const void* broadcast) {
    if (broadcast == nullptr) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const unsigned char*>(broadcast);
    // The size field comes first: it says how much of the rest may be read.
    DWORD size = 0;
    std::memcpy(&size, bytes + offsetof(DEV_BROADCAST_HDR, dbch_size), sizeof(size));
    if (size < sizeof(DEV_BROADCAST_HDR)) {
        return std::nullopt;
    }
    DWORD deviceType = 0;
    std::memcpy(&deviceType, bytes + offsetof(DEV_BROADCAST_HDR, dbch_devicetype),
                sizeof(deviceType));
    if (deviceType != DBT_DEVTYP_DEVICEINTERFACE || size < kNameOffset + sizeof(wchar_t)) {
        return std::nullopt;
    }
    const std::size_t available =
        std::min<std::size_t>((size - kNameOffset) / sizeof(wchar_t), kMaxPathChars);
    std::wstring name;
    for (std::size_t i = 0; i < available; ++i) {
        wchar_t c = 0;
        std::memcpy(&c, bytes + kNameOffset + i * sizeof(wchar_t), sizeof(c));
        if (c == L'\0') {
            break;
        }
        name.push_back(c);
    }
    if (name.empty()) {
        return std::nullopt;
    }
    return name;
}

}  // namespace norvessa
