#pragma once
// Reading the broadcast that comes with WM_DEVICECHANGE. Its header says how many bytes the
// sender gave, and nothing is read beyond them.

#include <optional>
#include <string>

namespace norvessa {

// The interface path (dbcc_name) of a device-interface broadcast. Nullopt for a null pointer,
// another device type, a size too small to hold a name, or an empty name. A name that is not
// terminated within the broadcast ends at its last whole character. Throws std::bad_alloc.
std::optional<std::wstring> DeviceInterfaceName(const void* broadcast);

}  // namespace norvessa
