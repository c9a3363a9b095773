#pragma once
// The Linux controller link as the user interface uses it: the udev context, the present
// hidraw nodes, hot-plug, and the controller state (g_controllerFd, g_outputReportLength)
// kept in step with the current controller. Lives on the user-interface thread; one at a time.

#include <cstdint>
#include <memory>
#include <string>

#include "controller/controller_link.h"
#include "controller/linux/hidraw_interface.h"
#include "controller/linux/hidraw_platform.h"
#include "controller/linux/hotplug_monitor.h"
#include "controller/linux/udev_handles.h"

namespace norvessa {

// A channel to a controller that is open already: the demo's and the tests' socket-pair end
// that serves the simulated controller, where an installation finds a hidraw node through udev.
struct ReadyController {
    UniqueFd fd;
    std::uint16_t inputReportLength = MAX_REPORT_LENGTH;
    std::uint16_t outputReportLength = MAX_REPORT_LENGTH;
    std::string path = "simulated-controller";
};

class LinuxControllerLink {
  public:
    // `events.changed` is where the user interface enables or disables its command buttons;
    // `events.releasing` is where it stops the verdict listener and anything else that uses
    // the fd. Both run on the thread that calls the methods below. The link keeps
    // g_controllerFd and g_outputReportLength itself: pass the events unwrapped.
    explicit LinuxControllerLink(ControllerEvents events);
    // Closes the current controller without calling the events (the window is gone by then);
    // the controller state is emptied all the same.
    ~LinuxControllerLink();
    LinuxControllerLink(const LinuxControllerLink&) = delete;
    LinuxControllerLink& operator=(const LinuxControllerLink&) = delete;

    // Start-up, before FindController: starts the hot-plug monitor. False when udev refused;
    // FindController still searches the present nodes then, but nothing arrives later.
    bool SetUp();
    // Searches every present hidraw node by minor number; the first controller wins. Reports
    // the outcome through `changed`.
    bool FindController();
    // The monitor's fd, for the event loop (QSocketNotifier, Read); -1 without a monitor.
    int hotplugFd() const;
    bool hotplugOnKernelSource() const;
    // When hotplugFd() is readable: arrivals and removals, each reported through the events.
    void ProcessPendingEvents();
    // The main window is closing: `releasing` is called, `changed` is not.
    void Release();
    // Seam for the demo and the tests: makes `ready` the current controller in place of the
    // udev search, reported through `changed` like a found one. The link owns its fd from here
    // on; removing it (link().OnRemoval with its path) closes it. False when a controller is
    // current already.
    bool InstallReadyController(ReadyController ready);

    HidrawInterface* current() const;
    ControllerLink& link() { return link_; }

  private:
    UdevContext context_;
    HidrawPlatform platform_;
    ControllerLink link_;
    std::unique_ptr<HotplugMonitor> monitor_;
};

}  // namespace norvessa
