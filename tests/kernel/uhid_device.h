#pragma once
// A virtual HID device that the kernel itself presents as /dev/hidrawN, created through
// /dev/uhid. Destroying the object destroys the device, as when a USB device is unplugged.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "controller/linux/unique_fd.h"

namespace norvessa::kernel {

// The devices the tests can plug in: the controller and the decoys it must be told from.
enum class DeviceKind {
    Controller,  // vendor collection, report ID 0xAA, 63-byte output and input reports
    Keyboard,    // boot keyboard with its LED output report, no report IDs
    OtherId,     // vendor collection like the controller's, but report ID 0x55
    Wide,        // report ID 0xAA with a 64-byte payload: 65 bytes with the ID, too long
    // A touch screen whose digitizer (report ID 0x01) and controller collection share one
    // device, so touch reports arrive on the controller's node.
    TouchController,
    // A multitouch screen (bound by hid-multitouch, so an input device of its own: the touch
    // road of a real display server) beside the controller's collection.
    TouchScreen,
};

inline bool ServesController(DeviceKind kind) {
    return kind == DeviceKind::Controller || kind == DeviceKind::TouchController ||
           kind == DeviceKind::TouchScreen;
}

std::optional<DeviceKind> ParseDeviceKind(const std::string& name);
const char* DeviceKindName(DeviceKind kind);
std::vector<std::uint8_t> ReportDescriptor(DeviceKind kind);
// The device's uniq text (HID_UNIQ), which the link reports as its serial number.
inline std::string UniqText(DeviceKind kind) {
    return std::string("NRV-") + DeviceKindName(kind);
}

struct OutputReport {
    std::vector<std::uint8_t> bytes;
};

class UhidDevice {
  public:
    // Creates the device; null when /dev/uhid refuses.
    static std::unique_ptr<UhidDevice> Create(DeviceKind kind);
    ~UhidDevice();
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    int fd() const { return fd_.get(); }
    DeviceKind kind() const { return kind_; }
    // Reads one event from the device; an output report when it was one. Answers the kernel's
    // feature report requests on the way.
    std::optional<OutputReport> ReadEvent();
    // Sends one input report (report ID first).
    bool SendInput(std::span<const std::uint8_t> report);

  private:
    void AnswerGetReport(std::uint32_t id, std::uint8_t reportNumber);
    void AnswerSetReport(std::uint32_t id);
    UhidDevice(UniqueFd fd, DeviceKind kind) : fd_(std::move(fd)), kind_(kind) {}

    UniqueFd fd_;
    DeviceKind kind_;
};

}  // namespace norvessa::kernel
