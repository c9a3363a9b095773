#pragma once
// The virtual HID devices of the guest as Windows programs under Wine see them: found by the
// vendor and product IDs that the device program gives them, in the interface paths that Wine's
// HID bus makes ("\\?\hid#vid_1209&pid_0001#...").

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvessa::kernel_wine {

struct GuestDevice {
    const char* kind;  // the device program's name for it: create KIND, destroy KIND
    std::uint16_t productId;
};

inline constexpr std::uint16_t GUEST_VENDOR_ID = 0x1209;
inline constexpr GuestDevice CONTROLLER{"controller", 0x0001};
inline constexpr GuestDevice KEYBOARD{"keyboard", 0x0002};
inline constexpr GuestDevice OTHER_ID{"otherid", 0x0003};
inline constexpr GuestDevice WIDE{"wide", 0x0004};
inline constexpr GuestDevice ALL_DEVICES[] = {CONTROLLER, KEYBOARD, OTHER_ID, WIDE};

// The path of the present HID interface of `device`, when one is listed.
std::optional<std::wstring> InterfacePathOf(const GuestDevice& device);
bool PathNames(const std::wstring& path, const GuestDevice& device);

// Waits until every device in `devices` is listed, or `patience` has passed; true when all are.
bool WaitUntilListed(const std::vector<GuestDevice>& devices, std::chrono::milliseconds patience);
// Waits until `device` is no longer listed.
bool WaitUntilUnlisted(const GuestDevice& device, std::chrono::milliseconds patience);

}  // namespace norvessa::kernel_wine
