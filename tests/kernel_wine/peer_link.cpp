#include "peer_link.h"

#include <ws2tcpip.h>

#include <thread>

namespace norvessa::kernel_wine {

PeerLink::PeerLink() {
    WSADATA data{};
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

PeerLink::~PeerLink() {
    socket_.reset();
    if (started_) {
        ::WSACleanup();
    }
}

bool PeerLink::Connect(unsigned short port, std::chrono::milliseconds patience) {
    if (!started_) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        UniqueSocket attempt(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        if (attempt && ::connect(attempt.get(), reinterpret_cast<const sockaddr*>(&address),
                                 sizeof address) == 0) {
            socket_ = std::move(attempt);
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

bool PeerLink::Send(const std::string& text) {
    return socket_ && ::send(socket_.get(), text.data(), static_cast<int>(text.size()), 0) ==
                          static_cast<int>(text.size());
}

std::optional<std::string> PeerLink::ReceiveLine() {
    return answers_.NextLine([&] {
        if (!socket_) {
            return false;
        }
        char buffer[512];
        const int got = ::recv(socket_.get(), buffer, sizeof buffer, 0);
        if (got <= 0) {
            socket_.reset();
            return false;
        }
        answers_.Append(buffer, static_cast<std::size_t>(got));
        return true;
    });
}

}  // namespace norvessa::kernel_wine
