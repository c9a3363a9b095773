#include "protocol/linux/frame_io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "controller/log.h"

namespace norvessa {
namespace {

using Clock = std::chrono::steady_clock;

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// Milliseconds left until the deadline, rounded up so a poll never ends early; 0 once passed.
int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

enum class Readiness { Ready, TimedOut, HungUp };

// Waits for `events` on fd until the deadline, through interruptions.
Readiness WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Readiness::HungUp;
        }
        if (ready == 0) {
            return Readiness::TimedOut;
        }
        // A report still waiting is read first, even from a node that is going away; nothing
        // is written to one.
        const bool hungUp = (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if ((entry.revents & events) && !(hungUp && (events & POLLOUT))) {
            return Readiness::Ready;
        }
        return Readiness::HungUp;
    }
}

}  // namespace

WriteStatus SendFrame(const ControllerChannel& channel, const CalibrationFrame& frame,
                      unsigned waitMs) {
    if (!channel.valid()) {
        return WriteStatus::NoController;
    }
    if (channel.outputReportLength > frame.size()) {
        return WriteStatus::Refused;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        switch (WaitFor(channel.fd, POLLOUT, deadline)) {
            case Readiness::TimedOut:
                return WriteStatus::TimedOut;
            case Readiness::HungUp:
                LogError("write to the controller failed: the controller hung up");
                return WriteStatus::Failed;
            case Readiness::Ready:
                break;
        }
        const ssize_t written = ::write(channel.fd, frame.data(), channel.outputReportLength);
        if (written >= 0) {
            // A report goes out whole or not at all; a short count is a failed write.
            return static_cast<std::size_t>(written) == channel.outputReportLength
                       ? WriteStatus::Written
                       : WriteStatus::Failed;
        }
        if (!WouldBlock(errno)) {
            LogError("write to the controller failed: " + ErrorNumberText(errno));
            return WriteStatus::Failed;
        }
        // Taken by someone else between the poll and the write: wait for what is left.
    }
}

ReadResult ReadReport(int fd, std::span<std::uint8_t, FRAME_SIZE> buffer, unsigned waitMs) {
    if (fd < 0) {
        return {ReadStatus::NoController, 0};
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        switch (WaitFor(fd, POLLIN, deadline)) {
            case Readiness::TimedOut:
                return {ReadStatus::TimedOut, 0};
            case Readiness::HungUp:
                return {ReadStatus::Gone, 0};
            case Readiness::Ready:
                break;
        }
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got > 0) {
            return {ReadStatus::Report, static_cast<std::size_t>(got)};
        }
        // End of file: the other end is closed. Any error but a spurious wake-up: gone too.
        if (got == 0 || !WouldBlock(errno)) {
            return {ReadStatus::Gone, 0};
        }
    }
}

}  // namespace norvessa
