#pragma once
// The Windows test program's line to the device program in the guest. The device program is a
// Linux process: Wine gives a Windows program no pipe to it, so it listens on a loopback TCP
// port (through the guest's netcat) and speaks its usual one-line commands and answers there.

#include <winsock2.h>

#include <chrono>
#include <optional>
#include <string>

#include "controller/win32/win32_handles.h"
#include "line_commands.h"

namespace norvessa::kernel_wine {

struct SocketTraits {
    using Value = SOCKET;
    static Value Empty() { return INVALID_SOCKET; }
    static void Release(Value value) { ::closesocket(value); }
};
using UniqueSocket = UniqueResource<SocketTraits>;

class PeerLink : public support::LineCommands {
  public:
    PeerLink();
    ~PeerLink() override;

    // Connects to 127.0.0.1:`port`, retrying until `patience` has passed (the listener may not
    // be up yet). False when no connection was made.
    bool Connect(unsigned short port, std::chrono::milliseconds patience);
    bool connected() const { return socket_.valid(); }

  private:
    bool Send(const std::string& text) override;
    std::optional<std::string> ReceiveLine() override;

    bool started_ = false;
    UniqueSocket socket_;
    support::LineBuffer answers_;
};

}  // namespace norvessa::kernel_wine
