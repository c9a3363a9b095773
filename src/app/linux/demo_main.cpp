// Norvessa with the simulated controller in place of a real one: the same application, whose
// controller is served behind a socket pair, and told of every touch as a real controller
// would feel it. Answers every calibration and reset with success.

#include <fcntl.h>

#include <QString>

#include "app/linux/command_line_app.h"
#include "seqpacket_peer.h"

int main(int argc, char** argv) {
    norvessa::sim::SeqpacketPeer peer;
    norvessa::ReadyController ready{.fd = peer.TakeHostFd()};
    // A hidraw node is opened non-blocking; the socket-pair end behaves the same way.
    ::fcntl(ready.fd.get(), F_SETFL, ::fcntl(ready.fd.get(), F_GETFL) | O_NONBLOCK);

    norvessa::ui::ApplicationOptions options;
    options.mainDialog.readyController = std::move(ready);
    options.mainDialog.fingerHook = {[&peer] { peer.FingerDown(); }, [&peer] { peer.FingerUp(); }};
    options.mainDialog.captionSuffix = QStringLiteral(" (simulated controller)");
    return norvessa::ui::RunCommandLine(argc, argv, std::move(options));
}
