#pragma once
// The device program, started as a child process and commanded line by line.

#include <sys/types.h>

#include <string>

#include "controller/linux/unique_fd.h"

namespace norvessa::kernel {

class PeerProcess {
  public:
    explicit PeerProcess(const std::string& program);
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    bool running() const { return pid_ > 0; }
    // Sends one command and returns its one-line answer ("" when the peer is gone).
    std::string Command(const std::string& line);
    bool Ok(const std::string& line) { return Command(line) == "ok"; }

  private:
    pid_t pid_ = -1;
    UniqueFd toPeer_;
    UniqueFd fromPeer_;
    std::string pending_;
};

}  // namespace norvessa::kernel
