#include "controller/linux/controller_state.h"

#include "controller/controller_link.h"
#include "controller/linux/hidraw_interface.h"

namespace norvessa {

int g_controllerFd = -1;
std::uint32_t g_outputReportLength = 0;
ReportWriter* g_controllerWriter = nullptr;

namespace {

void SetControllerState(const ControllerChannel& channel) {
    g_controllerFd = channel.fd;
    g_outputReportLength = channel.outputReportLength;
    g_controllerWriter = channel.writer;
}

ControllerChannel ChannelOf(OpenedInterface* device) {
    // Only hidraw interfaces carry an fd; anything else leaves nothing to write to.
    if (const auto* hidraw = dynamic_cast<const HidrawInterface*>(device)) {
        return hidraw->channel();
    }
    return {};
}

}  // namespace

ControllerChannel CurrentControllerChannel() {
    return {g_controllerFd, g_outputReportLength, g_controllerWriter};
}

ControllerEvents TrackControllerState(ControllerEvents userInterface) {
    ControllerEvents tracked;
    tracked.releasing = [releasing = std::move(userInterface.releasing)](OpenedInterface& device) {
        if (releasing) {
            releasing(device);
        }
        // Nothing may reach the fd once its owner closes it.
        SetControllerState({});
    };
    tracked.changed = [changed = std::move(userInterface.changed)](OpenedInterface* current) {
        SetControllerState(ChannelOf(current));
        if (changed) {
            changed(current);
        }
    };
    return tracked;
}

}  // namespace norvessa
