// SPDX-License-Identifier: MIT
#include "app/linux/interface_listing.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "controller/linux/hidraw_interface.h"
#include "controller/linux/hidraw_platform.h"
#include "controller/linux/udev_handles.h"
#include "controller/linux/udev_identity.h"
#include "controller/linux/unique_fd.h"

namespace norvessa::ui {
namespace {

// Vendor, product, name, serial number and port from udev, readable without opening the node.
void ReadIdentity(udev* context, const std::string& devnode, InterfaceReport& report) {
    const UdevDevice node = UdevDeviceOfNode(context, devnode);
    udev_device* hid =
        node ? udev_device_get_parent_with_subsystem_devtype(node.get(), "hid", nullptr) : nullptr;
    if (hid == nullptr) {
        return;
    }
    if (const char* id = udev_device_get_property_value(hid, "HID_ID")) {
        ReadHidId(id, report);
    }
    if (const char* name = udev_device_get_property_value(hid, "HID_NAME")) {
        report.productName = name;
    }
    NodePlacement placement = ReadNodePlacement(node.get());
    report.serialNumber = std::move(placement.serialNumber);
    report.usbPort = std::move(placement.usbPort);
}

// Why the search could not describe a node: the OS error of opening it, else its descriptor.
std::string WhyNotDescribed(const std::string& devnode) {
    UniqueFd fd(::open(devnode.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        return std::string("cannot open: ") + std::strerror(errno);
    }
    return "report descriptor unreadable or refused";
}

}  // namespace

std::optional<std::vector<InterfaceReport>> ListHidrawInterfaces() {
    UdevContext context(udev_new());
    HidrawPlatform platform(context.get());
    const std::optional<std::vector<std::string>> devnodes = platform.EnumeratePresent();
    if (!devnodes) {
        return std::nullopt;
    }
    std::vector<InterfaceReport> reports;
    for (const std::string& devnode : *devnodes) {
        InterfaceReport report;
        report.path = devnode;
        ReadIdentity(context.get(), devnode, report);
        if (const std::unique_ptr<HidrawInterface> opened = OpenHidrawInterface(devnode)) {
            RecordMatch(report, opened->match(), opened->caps(), opened->outputTable());
            if (report.productName.empty()) {
                report.productName = opened->info().productName;
            }
        } else {
            report.failure = WhyNotDescribed(devnode);
        }
        reports.push_back(std::move(report));
    }
    return reports;
}

}  // namespace norvessa::ui
