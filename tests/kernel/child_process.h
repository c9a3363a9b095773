#pragma once
// A program of the touch road (a display server, the application, a command-line tool) run as
// a child: its stdout kept whole, its stderr read line by line while it runs, and killed when
// the owner lets go of it before it has ended.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "controller/linux/unique_fd.h"

namespace norvessa::kernel {

class ChildProcess {
  public:
    // `environment`: NAME=value entries added to this process's own.
    ChildProcess(const std::vector<std::string>& argv,
                 const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // The next line of its stderr; nullopt when none came by `deadline` or the stream ended.
    std::optional<std::string> NextErrorLine(std::chrono::steady_clock::time_point deadline);
    // Its exit code once it has ended (nullopt on a time-out or a signal); reads what is left.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    void Terminate();

    const std::string& output() const { return out_; }
    // Everything it wrote to stderr so far, for a failure's message.
    const std::string& errors() const { return errAll_; }

  private:
    // Reads what the pipes hold, waiting at most `timeoutMs` for something to come.
    void Drain(int timeoutMs);

    pid_t pid_ = -1;
    bool ended_ = false;
    int status_ = 0;
    UniqueFd outPipe_;
    UniqueFd errPipe_;
    std::string out_;
    std::string errPending_;
    std::string errAll_;
};

// Runs a program to its end and returns its exit code (nullopt when it did not end in time).
std::optional<int> RunToEnd(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                            std::string* output = nullptr,
                            const std::vector<std::string>& environment = {});

}  // namespace norvessa::kernel
