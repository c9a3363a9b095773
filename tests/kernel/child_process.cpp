#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace norvessa::kernel {
namespace {

using Clock = std::chrono::steady_clock;

bool MakePipe(UniqueFd& reader, UniqueFd& writer) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    reader.reset(fds[0]);
    writer.reset(fds[1]);
    return true;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment) {
    UniqueFd outWriter, errWriter;
    if (argv.empty() || !MakePipe(outPipe_, outWriter) || !MakePipe(errPipe_, errWriter))
        return;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        for (const std::string& entry : environment)
            ::putenv(const_cast<char*>(entry.c_str()));
        const int devNull = ::open("/dev/null", O_RDONLY);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(outWriter.get(), STDOUT_FILENO);
        ::dup2(errWriter.get(), STDERR_FILENO);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !ended_) {
        Terminate();
        if (!Wait(std::chrono::milliseconds(3000))) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status_, 0);
        }
    }
}

void ChildProcess::Terminate() {
    if (pid_ > 0 && !ended_)
        ::kill(pid_, SIGTERM);
}

void ChildProcess::Drain(int timeoutMs) {
    pollfd fds[] = {{outPipe_.get(), POLLIN, 0}, {errPipe_.get(), POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0)
        return;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP)))
            continue;
        const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got <= 0) {
            (i == 0 ? outPipe_ : errPipe_).reset();
            continue;
        }
        const std::string text(buffer, static_cast<std::size_t>(got));
        if (i == 0) {
            out_ += text;
        } else {
            errPending_ += text;
            errAll_ += text;
        }
    }
}

std::optional<std::string> ChildProcess::NextErrorLine(Clock::time_point deadline) {
    for (;;) {
        const auto end = errPending_.find('\n');
        if (end != std::string::npos) {
            std::string line = errPending_.substr(0, end);
            errPending_.erase(0, end + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !errPipe_)
            return std::nullopt;
        Drain(static_cast<int>(left.count()));
    }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (pid_ <= 0)
        return std::nullopt;
    const auto deadline = Clock::now() + timeout;
    while (!ended_) {
        Drain(50);
        const pid_t done = ::waitpid(pid_, &status_, WNOHANG);
        if (done == pid_) {
            ended_ = true;
            break;
        }
        if (Clock::now() >= deadline)
            return std::nullopt;
    }
    while (outPipe_ || errPipe_) {
        const std::size_t before = out_.size() + errAll_.size();
        Drain(100);
        if (out_.size() + errAll_.size() == before)
            break;  // a grandchild may hold the pipes open: do not wait for it
    }
    if (!WIFEXITED(status_))
        return std::nullopt;
    return WEXITSTATUS(status_);
}

std::optional<int> RunToEnd(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                            std::string* output, const std::vector<std::string>& environment) {
    ChildProcess child(argv, environment);
    const std::optional<int> code = child.Wait(timeout);
    if (output)
        *output = child.output() + child.errors();
    return code;
}

}  // namespace norvessa::kernel
