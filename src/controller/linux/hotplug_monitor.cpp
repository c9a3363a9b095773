#include "controller/linux/hotplug_monitor.h"

#include <unistd.h>

#include <new>
#include <string_view>

#include "controller/linux/hotplug_events.h"

namespace norvessa {
namespace {

// systemd-udevd's control socket: present exactly while the daemon runs.
constexpr const char* kUdevControl = "/run/udev/control";

std::string_view OrEmpty(const char* text) {
    return text != nullptr ? std::string_view(text) : std::string_view();
}

}  // namespace

std::unique_ptr<HotplugMonitor> HotplugMonitor::Create(udev* context) {
    if (context == nullptr) {
        return nullptr;
    }
    // Without a daemon libudev would disable a "udev" monitor and deliver nothing.
    const bool kernelSource = ::access(kUdevControl, F_OK) != 0;
    UdevMonitor monitor(udev_monitor_new_from_netlink(context, kernelSource ? "kernel" : "udev"));
    if (!monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
        return nullptr;
    }
    return std::unique_ptr<HotplugMonitor>(new HotplugMonitor(std::move(monitor), kernelSource));
}

int HotplugMonitor::fd() const {
    return udev_monitor_get_fd(monitor_.get());
}

void HotplugMonitor::ProcessPendingEvents(ControllerLink& link) {
    // The monitor's socket is non-blocking: receiving returns null once nothing is waiting.
    while (UdevDevice device{udev_monitor_receive_device(monitor_.get())}) {
        try {
            const HotplugEvent event =
                MapUdevEvent(OrEmpty(udev_device_get_action(device.get())),
                             OrEmpty(udev_device_get_subsystem(device.get())),
                             OrEmpty(udev_device_get_devnode(device.get())));
            ApplyHotplugEvent(link, event);
        } catch (const std::bad_alloc&) {
            // This event is lost; the caller's event loop must not see an exception.
        }
    }
}

}  // namespace norvessa
