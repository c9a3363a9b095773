#include "peer_process.h"

namespace norvessa::kernel {

PeerProcess::PeerProcess(const std::string& program)
    : child_({program}, {}, ChildPipes{.input = true, .errors = false}) {}

PeerProcess::~PeerProcess() {
    if (!running())
        return;
    // It removes its devices before it ends: give it the time rather than a signal.
    Command("quit");
    child_.CloseInput();
    child_.Wait(std::chrono::seconds(30));
}

std::optional<std::string> PeerProcess::ReceiveLine() {
    // Some commands wait in the device program (for reports, for a gesture): no time-out here.
    return child_.NextOutputLine(std::chrono::steady_clock::time_point::max());
}

}  // namespace norvessa::kernel
