#include "seqpacket_peer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <system_error>

namespace norvessa::sim {
namespace {

constexpr int kIdlePollMs = 1000;

int MillisecondsUntil(Clock::time_point due) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(std::min<long long>(left, kIdlePollMs));
}

}  // namespace

SeqpacketPeer::SeqpacketPeer() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) {
        throw std::system_error(errno, std::generic_category(), "socketpair");
    }
    hostFd_.reset(fds[0]);
    deviceFd_.reset(fds[1]);
    wakeFd_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wakeFd_) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
    thread_ = std::thread([this] { Serve(); });
}

SeqpacketPeer::~SeqpacketPeer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    Wake();
    thread_.join();
}

void SeqpacketPeer::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_.get(), &one, sizeof one);
}

void SeqpacketPeer::FingerDown() {
    // The host tells of a touch after the frames it wrote before it: take those first, so the
    // touch never overtakes the frame that announced its target.
    ReadReports();
    With([](SimulatedController& c) { c.FingerDown(Clock::now()); });
    Wake();
}

void SeqpacketPeer::FingerUp() {
    ReadReports();
    With([](SimulatedController& c) { c.FingerUp(Clock::now()); });
    Wake();
}

void SeqpacketPeer::StartTouchStream(const TouchStream& stream) {
    With([&](SimulatedController& c) { c.StartTouchStream(stream, Clock::now()); });
    Wake();
}

void SeqpacketPeer::PauseReading(bool paused) {
    {
        std::lock_guard lock(mutex_);
        paused_ = paused;
    }
    Wake();
}

void SeqpacketPeer::Disconnect() {
    {
        std::lock_guard lock(mutex_);
        if (Connected()) {
            // Both directions shut: the host's reads end and its writes fail as after a close.
            ::shutdown(deviceFd_.get(), SHUT_RDWR);
            hungUp_ = true;
        }
    }
    Wake();
}

bool SeqpacketPeer::WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return receivedChanged_.wait_for(lock, timeout,
                                     [&] { return controller_.received().size() >= count; });
}

void SeqpacketPeer::Serve() {
    for (;;) {
        int timeoutMs = kIdlePollMs;
        int readFd = -1;
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
            if (hungUp_)
                deviceFd_.reset();  // this thread polls it: nobody else may close it
            if (const auto due = controller_.NextDueTime())
                timeoutMs = MillisecondsUntil(*due);
            if (!paused_ && Connected())
                readFd = deviceFd_.get();
        }
        std::array<pollfd, 2> fds{};
        fds[0] = {wakeFd_.get(), POLLIN, 0};
        fds[1] = {readFd, POLLIN, 0};
        if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN) {
            std::uint64_t drained = 0;
            [[maybe_unused]] const auto got = ::read(wakeFd_.get(), &drained, sizeof drained);
        }
        if ((fds[1].revents & POLLIN) && !ReadReports())
            return;
        SendDueReports();
    }
}

bool SeqpacketPeer::ReadReports() {
    std::array<std::uint8_t, 4096> packet{};
    for (;;) {
        std::lock_guard lock(mutex_);
        if (!Connected() || paused_)
            return true;
        const ssize_t got = ::recv(deviceFd_.get(), packet.data(), packet.size(), MSG_DONTWAIT);
        if (got < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        if (got == 0) {
            hungUp_ = true;  // the host closed its end; the serving thread closes ours
            return true;
        }
        controller_.OnOutputReport(std::span(packet.data(), static_cast<std::size_t>(got)),
                                   Clock::now());
        receivedChanged_.notify_all();
    }
}

void SeqpacketPeer::SendDueReports() {
    std::lock_guard lock(mutex_);
    while (Connected()) {
        const auto report = controller_.TakeDueReport(Clock::now());
        if (!report)
            return;
        // A report the host cannot take now is dropped, as a device drops input nobody reads.
        ::send(deviceFd_.get(), report->data(), report->size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    }
}

}  // namespace norvessa::sim
