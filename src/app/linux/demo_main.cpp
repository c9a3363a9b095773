// Norvessa with the simulated controller in place of a real one: the same application, whose
// controller is served behind a socket pair, and told of every touch as a real controller
// would feel it. Answers every calibration and reset with success, the calibration a moment
// after the last lift-off, as a controller that works its calibration out takes a while.

#include <fcntl.h>

#include <QString>
#include <chrono>

#include "app/linux/application.h"
#include "seqpacket_peer.h"

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
    return norvessa::ui::RunApplication(argc, argv, std::move(options));
}
