#include "controller/linux/linux_controller_link.h"

#include "controller/linux/controller_state.h"

namespace norvessa {

LinuxControllerLink::LinuxControllerLink(ControllerEvents events)
    : context_(udev_new()),
      platform_(context_.get()),
      link_(platform_, TrackControllerState(std::move(events))) {}

LinuxControllerLink::~LinuxControllerLink() {
    if (link_.hasController()) {
        g_controllerFd = -1;
        g_outputReportLength = 0;
        g_controllerWriter = nullptr;
    }
}

bool LinuxControllerLink::SetUp() {
    if (!monitor_) {
        monitor_ = HotplugMonitor::Create(context_.get());
    }
    return monitor_ != nullptr;
}

bool LinuxControllerLink::FindController() {
    return link_.FindController();
}

int LinuxControllerLink::hotplugFd() const {
    return monitor_ ? monitor_->fd() : -1;
}

bool LinuxControllerLink::hotplugOnKernelSource() const {
    return monitor_ && monitor_->onKernelSource();
}

void LinuxControllerLink::ProcessPendingEvents() {
    if (monitor_) {
        monitor_->ProcessPendingEvents(link_);
    }
}

void LinuxControllerLink::Release() {
    link_.Release();
}

bool LinuxControllerLink::InstallReadyController(ReadyController ready) {
    InterfaceDescription description;
    description.caps.inputReportByteLength = ready.inputReportLength;
    description.caps.outputReportByteLength = ready.outputReportLength;
    description.match = MatchResult::Controller;
    return link_.Adopt(std::make_unique<HidrawInterface>(std::move(ready.path), std::move(ready.fd),
                                                         std::move(description)));
}

HidrawInterface* LinuxControllerLink::current() const {
    return dynamic_cast<HidrawInterface*>(link_.current());
}

}  // namespace norvessa
