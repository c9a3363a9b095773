#pragma once
// Hot-plug of hidraw nodes through a udev monitor. The user interface watches fd() in its event
// loop and calls ProcessPendingEvents when it becomes readable.

#include <memory>

#include "controller/controller_link.h"
#include "controller/linux/udev_handles.h"

namespace norvessa {

class HotplugMonitor {
  public:
    // Listens on udev's source, whose events come once udev has made and permissioned the
    // node; where no udev daemon runs, on the kernel's (with devtmpfs the node exists by
    // then). Receiving is enabled here, so create it before enumerating to miss no arrival.
    // Null when udev refuses.
    static std::unique_ptr<HotplugMonitor> Create(udev* context);

    HotplugMonitor(const HotplugMonitor&) = delete;
    HotplugMonitor& operator=(const HotplugMonitor&) = delete;

    int fd() const;
    bool onKernelSource() const { return kernelSource_; }
    // Takes every event waiting now and maps add/change/remove of hidraw nodes to the link's
    // arrival and removal. Never blocks.
    void ProcessPendingEvents(ControllerLink& link);

  private:
    HotplugMonitor(UdevMonitor monitor, bool kernelSource)
        : monitor_(std::move(monitor)), kernelSource_(kernelSource) {}

    UdevMonitor monitor_;
    bool kernelSource_;
};

}  // namespace norvessa
