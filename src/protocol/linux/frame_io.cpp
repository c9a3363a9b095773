#include "protocol/linux/frame_io.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "controller/linux/device_errors.h"
#include "controller/linux/report_writer.h"
#include "controller/log.h"

namespace norvessa {
namespace {

using Clock = std::chrono::steady_clock;

// Far more than the kernel queues per open file (64): a drain never stops short of the queue,
// yet a stream cannot keep it reading for ever.
constexpr int MAX_DRAINED_REPORTS = 4096;

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

WriteStatus FromWriter(WriterStatus status) {
    switch (status) {
        case WriterStatus::Written:
            return WriteStatus::Written;
        case WriterStatus::TimedOut:
            return WriteStatus::TimedOut;
        case WriterStatus::Backlogged:
            return WriteStatus::Backlogged;
        case WriterStatus::Gone:
            return WriteStatus::Gone;
        case WriterStatus::Failed:
            break;
    }
    return WriteStatus::Failed;
}

WriteStatus WriteDirectly(int fd, std::span<const std::uint8_t> report, unsigned waitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        switch (WaitFor(fd, POLLOUT, deadline)) {
            case Readiness::TimedOut:
                return WriteStatus::TimedOut;
            case Readiness::HungUp:
                LogError("write to the controller failed: the controller hung up");
                return WriteStatus::Gone;
            case Readiness::Ready:
                break;
        }
        const ssize_t written = ::write(fd, report.data(), report.size());
        if (written >= 0) {
            // A report goes out whole or not at all; a short count is a failed write.
            if (static_cast<std::size_t>(written) == report.size()) {
                return WriteStatus::Written;
            }
            LogError("write to the controller failed: a short write");
            return WriteStatus::Failed;
        }
        const int error = errno;
        if (IsDeviceGoneError(error)) {
            LogError("write to the controller failed: " + ErrorNumberText(error));
            return WriteStatus::Gone;
        }
        if (!WouldBlock(error)) {
            LogError("write to the controller failed: " + ErrorNumberText(error));
            return WriteStatus::Failed;
        }
        // Taken by someone else between the poll and the write: wait for what is left.
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
    const std::span<const std::uint8_t> report(frame.data(), channel.outputReportLength);
    // Failures are logged where their cause is known: by the writer thread or the direct write.
    if (channel.writer != nullptr) {
        return FromWriter(channel.writer->Write(report, std::chrono::milliseconds(waitMs)));
    }
    return WriteDirectly(channel.fd, report, waitMs);
}

namespace {

ReadResult ReadReportUntil(int fd, std::span<std::uint8_t, FRAME_SIZE> buffer,
                           Clock::time_point deadline) {
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

}  // namespace

ReadResult ReadReport(int fd, std::span<std::uint8_t, FRAME_SIZE> buffer, unsigned waitMs) {
    if (fd < 0) {
        return {ReadStatus::NoController, 0};
    }
    return ReadReportUntil(fd, buffer, Clock::now() + std::chrono::milliseconds(waitMs));
}

bool IsControllerReport(std::span<const std::uint8_t> report) {
    return !report.empty() && report[0] == CONTROLLER_REPORT_ID;
}

ReadResult ReadControllerReport(int fd, std::span<std::uint8_t, FRAME_SIZE> buffer,
                                unsigned waitMs) {
    if (fd < 0) {
        return {ReadStatus::NoController, 0};
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const ReadResult read = ReadReportUntil(fd, buffer, deadline);
        if (read.status != ReadStatus::Report ||
            IsControllerReport(std::span<const std::uint8_t>(buffer.data(), read.length))) {
            return read;
        }
    }
}

DrainStatus DrainInput(int fd) {
    if (fd < 0) {
        return DrainStatus::NoController;
    }
    ReplyFrame discarded{};
    for (int read = 0; read < MAX_DRAINED_REPORTS; ++read) {
        // A zero wait: only what is queued already is taken.
        switch (ReadReportUntil(fd, discarded, Clock::now()).status) {
            case ReadStatus::Report:
                continue;
            case ReadStatus::Gone:
                return DrainStatus::Gone;
            case ReadStatus::TimedOut:
            case ReadStatus::NoController:
                return DrainStatus::Drained;
        }
    }
    return DrainStatus::Drained;
}

DrainStatus DiscardInputFor(int fd, unsigned waitMs) {
    if (fd < 0) {
        return DrainStatus::NoController;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    ReplyFrame discarded{};
    for (;;) {
        switch (ReadReportUntil(fd, discarded, deadline).status) {
            case ReadStatus::Report:
                continue;
            case ReadStatus::Gone:
                return DrainStatus::Gone;
            case ReadStatus::TimedOut:
            case ReadStatus::NoController:
                return DrainStatus::Drained;
        }
    }
}

}  // namespace norvessa
