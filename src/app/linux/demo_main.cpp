// Norvessa with the simulated controller in place of a real one: the same application, whose
// controller is served behind a socket pair, and told of every touch as a real controller
// would feel it. Answers every calibration and reset with success, the calibration a moment
// after the last lift-off, as a controller that works its calibration out takes a while.
// With NORVESSA_DEMO_FRAMES set to a file name, it writes there, on its way out, every output
// report the controller received, one a line in hex: what scripts check the frames by.

#include <fcntl.h>

#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/linux/command_line_app.h"
#include "seqpacket_peer.h"

namespace {

void WriteReceivedFrames(norvessa::sim::SeqpacketPeer& peer, const char* path) {
    std::ofstream out(path);
    peer.With([&out](norvessa::sim::SimulatedController& controller) {
        for (const std::vector<std::uint8_t>& report : controller.received()) {
            for (std::uint8_t byte : report) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%02X ", byte);
                out << hex;
            }
            out << '\n';
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    norvessa::sim::SeqpacketPeer peer;
    peer.With([](norvessa::sim::SimulatedController& controller) {
        controller.SetCalibrationScript({.delay = std::chrono::milliseconds(1500)});
    });
    norvessa::ReadyController ready{.fd = peer.TakeHostFd()};
    // A hidraw node is opened non-blocking; the socket-pair end behaves the same way.
    ::fcntl(ready.fd.get(), F_SETFL, ::fcntl(ready.fd.get(), F_GETFL) | O_NONBLOCK);

    norvessa::ui::ApplicationOptions options;
    options.mainDialog.readyController = std::move(ready);
    options.mainDialog.fingerHook = {[&peer] { peer.FingerDown(); }, [&peer] { peer.FingerUp(); }};
    options.mainDialog.captionSuffix = QStringLiteral(" (simulated controller)");
    const int exitCode = norvessa::ui::RunCommandLine(argc, argv, std::move(options));
    if (const char* frameLog = std::getenv("NORVESSA_DEMO_FRAMES")) {
        WriteReceivedFrames(peer, frameLog);
    }
    return exitCode;
}
