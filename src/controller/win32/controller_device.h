#pragma once
// One opened HID interface: its path, its overlapped handle, the parser's description of its
// reports and its output-data table, and the heap entry through which the link holds it.

#include <memory>
#include <string>

#include "controller/controller_link.h"
#include "controller/win32/hid_api.h"
#include "controller/win32/win32_handles.h"
#include "hid/output_table.h"

namespace norvessa {

// Every resource sits in an owner that is empty until taken, so a record in any state that an
// open leaves releases cleanly.
struct ControllerDevice {
    std::wstring path;
    UniqueFileHandle handle;
    PreparsedData preparsed;
    HIDP_CAPS caps{};
    HIDD_ATTRIBUTES attributes{};
    OutputGroup output;
};

// Opens the interface at `path` into an empty record: the parser's description is read over a
// plain handle, which is then replaced by one opened for overlapped I/O. On false the record
// is empty again. Never throws.
bool OpenControllerDevice(ControllerDevice& device, const std::wstring& path);

// True when the interface at `path` cannot be opened because another program holds it without
// sharing, and its description could be read all the same; the record then holds that
// description over a handle without read or write access. On false the record is empty.
bool DescribeInterfaceInUse(ControllerDevice& device, const std::wstring& path);
// Gives back everything the record holds and leaves it empty; does nothing on an empty record.
void CloseControllerDevice(ControllerDevice& device);

// The opened interface as the portable link sees it: UTF-8 path, portable caps and table.
class DeviceListEntry final : public OpenedInterface {
  public:
    // Takes an opened record and what is known of its identity. Throws std::bad_alloc, and then
    // the record is released.
    explicit DeviceListEntry(ControllerDevice device, InterfaceIdentity identity = {});
    ~DeviceListEntry() override;
    DeviceListEntry(const DeviceListEntry&) = delete;
    DeviceListEntry& operator=(const DeviceListEntry&) = delete;

    // Opens the interface at `path`; null when it cannot be opened or described.
    static std::unique_ptr<DeviceListEntry> Open(const std::wstring& path);

    const std::string& path() const override { return path_; }
    const HidCaps& caps() const override { return caps_; }
    std::span<const OutputDataEntry> outputTable() const override {
        return device_.output.outTable;
    }
    const ControllerDevice& device() const { return device_; }
    // Probes the open handle: a missed removal leaves a handle whose requests fail as gone.
    bool IsAlive() const override;
    // Read once when Open opened the interface; empty for a record handed in without it.
    InterfaceIdentity identity() const override { return identity_; }

  private:
    ControllerDevice device_;
    std::string path_;
    HidCaps caps_;
    InterfaceIdentity identity_;
};

}  // namespace norvessa
