#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
                           const std::vector<std::string>& environment, ChildPipes pipes) {
    UniqueFd inReader, outWriter, errWriter;
    if (argv.empty() || (pipes.input && !MakePipe(inReader, inPipe_)) ||
        !MakePipe(outPipe_, outWriter) || (pipes.errors && !MakePipe(errPipe_, errWriter)))
        return;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        for (const std::string& entry : environment)
            ::putenv(const_cast<char*>(entry.c_str()));
        ::dup2(pipes.input ? inReader.get() : ::open("/dev/null", O_RDONLY), STDIN_FILENO);
        ::dup2(outWriter.get(), STDOUT_FILENO);
        if (pipes.errors)
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

bool ChildProcess::WriteInput(const std::string& text) {
    std::size_t done = 0;
    while (inPipe_ && done < text.size()) {
        const ssize_t wrote = ::write(inPipe_.get(), text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return inPipe_ && done == text.size();
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
        const auto size = static_cast<std::size_t>(got);
        if (i == 0) {
            outLines_.Append(buffer, size);
        } else {
            errLines_.Append(buffer, size);
            errAll_.append(buffer, size);
        }
    }
}

std::optional<std::string> ChildProcess::NextLine(support::LineBuffer& lines, const UniqueFd& pipe,
                                                  Clock::time_point deadline) {
    return lines.NextLine([&] {
        // Waits of a minute at most: a deadline of time_point::max() waits for good.
        const auto left =
            std::min(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()),
                     std::chrono::milliseconds(60000));
        if (left.count() <= 0 || !pipe)
            return false;
        Drain(static_cast<int>(left.count()));
        return true;
    });
}

std::optional<std::string> ChildProcess::NextOutputLine(Clock::time_point deadline) {
    return NextLine(outLines_, outPipe_, deadline);
}

std::optional<std::string> ChildProcess::NextErrorLine(Clock::time_point deadline) {
    return NextLine(errLines_, errPipe_, deadline);
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
        const std::size_t before = output().size() + errAll_.size();
        Drain(100);
        if (output().size() + errAll_.size() == before)
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
