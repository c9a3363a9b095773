#pragma once
// The device program, started as a child process and commanded line by line on its stdin and
// stdout. Its stderr stays this process's: nothing here reads it, and a full pipe would stall it.

#include <string>

#include "child_process.h"
#include "line_commands.h"

namespace norvessa::kernel {

class PeerProcess : public support::LineCommands {
  public:
    explicit PeerProcess(const std::string& program);
    ~PeerProcess() override;

    bool running() const { return child_.started(); }

  private:
    bool Send(const std::string& text) override { return child_.WriteInput(text); }
    std::optional<std::string> ReceiveLine() override;

    ChildProcess child_;
};

}  // namespace norvessa::kernel
