#include "guest_devices.h"

#include <algorithm>
#include <cwctype>
#include <thread>

#include "controller/win32/win32_hid_platform.h"

namespace norvessa::kernel_wine {
namespace {

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return text;
}

std::wstring IdsInPath(const GuestDevice& device) {
    wchar_t ids[32] = {};
    ::swprintf(ids, 32, L"vid_%04x&pid_%04x", GUEST_VENDOR_ID, device.productId);
    return ids;
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return true;
}

}  // namespace

bool PathNames(const std::wstring& path, const GuestDevice& device) {
    return Lower(path).find(IdsInPath(device)) != std::wstring::npos;
}

std::optional<std::wstring> InterfacePathOf(const GuestDevice& device) {
    const auto paths = EnumerateHidInterfacePaths();
    if (!paths) {
        return std::nullopt;
    }
    for (const std::wstring& path : *paths) {
        if (PathNames(path, device)) {
            return path;
        }
    }
    return std::nullopt;
}

bool WaitUntilListed(const std::vector<GuestDevice>& devices, std::chrono::milliseconds patience) {
    return WaitFor(
        [&] {
            return std::all_of(devices.begin(), devices.end(), [](const GuestDevice& device) {
                return InterfacePathOf(device).has_value();
            });
        },
        patience);
}

bool WaitUntilUnlisted(const GuestDevice& device, std::chrono::milliseconds patience) {
    return WaitFor([&] { return !InterfacePathOf(device).has_value(); }, patience);
}

}  // namespace norvessa::kernel_wine
