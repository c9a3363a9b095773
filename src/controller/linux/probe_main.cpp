// norvessa-probe SYSPATH
// Run by the udev rule for every hidraw node that appears: exits 0 when the node at SYSPATH
// (a sysfs path, as udev's %S%p gives it) is the touch controller, 1 when it is another HID
// device, 2 when its descriptor cannot be read. The rule grants the logged-in user access on
// 0 only, so no other HID device (a keyboard, say) becomes readable by the user. A node that
// holds the controller beside a keyboard or keypad collection gives 1 too: whoever opens the
// node reads every report of the device, keystrokes included.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "controller/linux/controller_access_scan.h"
#include "controller/linux/report_descriptor.h"

namespace {

constexpr int kController = 0;
constexpr int kOtherDevice = 1;
constexpr int kUnreadable = 2;

int Probe(const std::string& syspath) {
    const std::optional<std::vector<std::uint8_t>> descriptor =
        norvessa::ReadSysfsReportDescriptor(syspath);
    if (!descriptor) {
        return kUnreadable;
    }
    switch (norvessa::JudgeForSeatAccess(*descriptor)) {
        case norvessa::AccessVerdict::Controller:
            return kController;
        case norvessa::AccessVerdict::ControllerBesideKeyboard:
            // udev keeps a program's standard error in its log.
            std::fputs(
                "norvessa-probe: the controller's device also declares a keyboard or keypad, "
                "or a collection whose usage could not be read; access not granted\n",
                stderr);
            return kOtherDevice;
        case norvessa::AccessVerdict::OtherDevice:
            break;
    }
    return kOtherDevice;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: norvessa-probe SYSPATH\n", stderr);
        return kUnreadable;
    }
    try {
        return Probe(argv[1]);
    } catch (...) {
        return kUnreadable;
    }
}
