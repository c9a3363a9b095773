#include "peer_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace norvessa::kernel {

PeerProcess::PeerProcess(const std::string& program) {
    int down[2];
    int up[2];
    if (::pipe2(down, O_CLOEXEC) != 0)
        return;
    if (::pipe2(up, O_CLOEXEC) != 0) {
        ::close(down[0]);
        ::close(down[1]);
        return;
    }
    toPeer_.reset(down[1]);
    fromPeer_.reset(up[0]);
    UniqueFd childIn(down[0]);
    UniqueFd childOut(up[1]);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(childIn.get(), STDIN_FILENO);
        ::dup2(childOut.get(), STDOUT_FILENO);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
}

PeerProcess::~PeerProcess() {
    if (pid_ <= 0)
        return;
    Command("quit");
    toPeer_.reset();
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

std::string PeerProcess::Command(const std::string& line) {
    if (pid_ <= 0)
        return "";
    const std::string text = line + "\n";
    if (::write(toPeer_.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        return "";
    }
    for (;;) {
        const auto end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string answer = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return answer;
        }
        char buffer[512];
        const ssize_t got = ::read(fromPeer_.get(), buffer, sizeof buffer);
        if (got <= 0)
            return "";
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace norvessa::kernel
