#pragma once
// The simulated controller behind its named pipe, with the tool's end at hand, for tests that
// exercise frame I/O through real overlapped handles.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "controller/win32/win32_handles.h"
#include "named_pipe_peer.h"
#include "protocol/frames.h"
#include "protocol/win32/overlapped_io.h"

namespace norvessa::test {

using namespace std::chrono_literals;

// Generous: Wine on a loaded two-core machine can be slow to schedule the serving thread.
inline constexpr std::chrono::milliseconds PEER_TIMEOUT = 10s;

struct PipeController {
    explicit PipeController(DWORD inboundBufferSize = 4096)
        : peer(std::make_unique<sim::NamedPipePeer>(inboundBufferSize)),
          host(peer->TakeHostHandle()) {}

    // What the controller has received, report by report.
    std::vector<std::vector<std::uint8_t>> Received() {
        return peer->With([](sim::SimulatedController& c) { return c.received(); });
    }

    std::unique_ptr<sim::NamedPipePeer> peer;
    UniqueFileHandle host;
};

// Whether at least `bytes` of reports wait in the pipe for the tool's end to read, within
// `timeout`.
inline bool WaitForReportAvailable(HANDLE host, std::chrono::milliseconds timeout,
                                   DWORD bytes = 1) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        DWORD available = 0;
        if (::PeekNamedPipe(host, nullptr, 0, nullptr, &available, nullptr) && available >= bytes) {
            return true;
        }
        ::Sleep(10);
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

// Reads one report from the tool's end, waiting at most `waitMs`.
inline std::optional<ReplyFrame> ReadHostReport(HANDLE host, DWORD waitMs) {
    OverlappedOperation read;
    ReplyFrame reply{};
    if (!read.StartRead(host, reply.data(), static_cast<DWORD>(reply.size())) ||
        read.Wait(waitMs) != WAIT_OBJECT_0 || !read.Collect()) {
        return std::nullopt;
    }
    return reply;
}

// Milliseconds since `start`.
inline long long ElapsedMs(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

}  // namespace norvessa::test
