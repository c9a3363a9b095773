#pragma once
// The present HID interfaces as Windows' device enumeration lists them, opened through
// DeviceListEntry.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controller/controller_link.h"

namespace norvessa {

// Called with a present HID interface's path and the device instance (DEVINST) it belongs to;
// the walk goes on while it returns true.
using HidInterfaceVisitor = std::function<bool(const std::wstring& path, unsigned long device)>;
// Visits the present HID interfaces in member-index order, passing over one whose path cannot be
// read; false when the system refused to list them. The instance is valid during the call.
bool ForEachHidInterface(const HidInterfaceVisitor& visit);

// Paths of the present HID interfaces in member-index order; nullopt when the system refused
// to list them. An interface whose path cannot be read is passed over. Throws std::bad_alloc.
std::optional<std::vector<std::wstring>> EnumerateHidInterfacePaths();

// Windows device paths name the same interface whatever their case.
bool SameDevicePath(const std::string& a, const std::string& b);

class Win32HidPlatform : public HidPlatform {
  public:
    std::optional<std::vector<std::string>> EnumeratePresent() override;
    // The returned interface is always a DeviceListEntry.
    std::unique_ptr<OpenedInterface> Open(const std::string& path) override;
    bool SamePath(const std::string& a, const std::string& b) const override;
};

}  // namespace norvessa
