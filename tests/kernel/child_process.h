#pragma once
// A program of the kernel tiers (the device program, a display server, the application, a
// command-line tool) run as a child: its stdout kept whole or read line by line, its stderr read
// line by line while it runs, optionally a pipe to its stdin, and killed when the owner lets go
// of it before it has ended.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "controller/linux/unique_fd.h"
#include "line_commands.h"

namespace norvessa::kernel {

struct ChildPipes {
    bool input = false;  // a pipe to its stdin; without one it reads /dev/null
    bool errors = true;  // its stderr read here; without, it writes to this process's stderr
};

class ChildProcess {
  public:
    // `environment`: NAME=value entries added to this process's own.
    ChildProcess(const std::vector<std::string>& argv,
                 const std::vector<std::string>& environment = {}, ChildPipes pipes = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Writes all of `text` to its stdin; false without an input pipe or once it stopped reading.
    bool WriteInput(const std::string& text);
    // Ends its input: a program that reads commands until the end of stdin then ends.
    void CloseInput() { inPipe_.reset(); }
    // The next line of its stdout or stderr; nullopt when none came by `deadline` or the stream
    // ended.
    std::optional<std::string> NextOutputLine(std::chrono::steady_clock::time_point deadline);
    std::optional<std::string> NextErrorLine(std::chrono::steady_clock::time_point deadline);
    // Its exit code once it has ended (nullopt on a time-out or a signal); reads what is left.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    void Terminate();

    // What it wrote to stdout that no NextOutputLine took.
    const std::string& output() const { return outLines_.pending(); }
    // Everything it wrote to stderr so far, for a failure's message.
    const std::string& errors() const { return errAll_; }

  private:
    // Reads what the pipes hold, waiting at most `timeoutMs` for something to come.
    void Drain(int timeoutMs);
    std::optional<std::string> NextLine(support::LineBuffer& lines, const UniqueFd& pipe,
                                        std::chrono::steady_clock::time_point deadline);

    pid_t pid_ = -1;
    bool ended_ = false;
    int status_ = 0;
    UniqueFd inPipe_;
    UniqueFd outPipe_;
    UniqueFd errPipe_;
    support::LineBuffer outLines_;
    support::LineBuffer errLines_;
    std::string errAll_;
};

// Runs a program to its end and returns its exit code (nullopt when it did not end in time).
std::optional<int> RunToEnd(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                            std::string* output = nullptr,
                            const std::vector<std::string>& environment = {});

}  // namespace norvessa::kernel
