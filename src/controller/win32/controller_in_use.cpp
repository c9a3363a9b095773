#include "controller/win32/controller_in_use.h"

#include <new>

#include "controller/win32/controller_device.h"
#include "controller/win32/win32_hid_platform.h"

namespace norvessa {

std::vector<ControllerAccess> FindControllersInUse() {
    std::vector<ControllerAccess> inUse;
    try {
        const auto paths = EnumerateHidInterfacePaths();
        if (!paths) {
            return inUse;
        }
        for (const std::wstring& path : *paths) {
            ControllerDevice device;
            if (!DescribeInterfaceInUse(device, path)) {
                continue;
            }
            const DeviceListEntry entry(std::move(device));
            if (IsControllerInterface(entry)) {
                inUse.push_back(ControllerAccess{entry.path(), AccessProblem::InUse});
            }
        }
    } catch (const std::bad_alloc&) {
        // What was seen so far is all the status line can tell.
    }
    return inUse;
}

}  // namespace norvessa
