#include "protocol/linux/verdict_listener.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <system_error>

#include "controller/log.h"
#include "protocol/frames.h"
#include "protocol/linux/frame_io.h"

namespace norvessa {
namespace {

enum class Wake { Stop, Readable, HungUp, Interrupted };

Wake WaitForReportOrStop(int fd, int stopFd) {
    std::array<pollfd, 2> entries{{{stopFd, POLLIN, 0}, {fd, POLLIN, 0}}};
    if (::poll(entries.data(), entries.size(), -1) < 0) {
        // A wait that cannot be made is not retried: that would spin.
        return errno == EINTR ? Wake::Interrupted : Wake::HungUp;
    }
    // A stop wins over a report that arrived at the same moment.
    if (entries[0].revents != 0) {
        return Wake::Stop;
    }
    if (entries[1].revents & POLLIN) {
        return Wake::Readable;  // a report still waiting is taken even from a leaving node
    }
    return entries[1].revents != 0 ? Wake::HungUp : Wake::Interrupted;
}

// Reads one report; nullopt when the read only needs another wait.
std::optional<ListenerEvent> ReadAndClassify(int fd, ReplyFrame& reply) {
    // Bytes 0 and 1 keep what the last report left; byte 2 never looks like a verdict unless
    // this read put one there.
    reply[FRAME_COMMAND_OFFSET] = REPLY_UNSET;
    const ssize_t got = ::read(fd, reply.data(), reply.size());
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        const int error = errno;
        LogErrorFromThread("verdict listener ends: ", [got, error] {
            return got == 0 ? std::string("end of file") : ErrorNumberText(error);
        });
        return ListenerEvent::ControllerGone;
    }
    if (got < 0) {
        return std::nullopt;
    }
    // A report of another collection on the same node (a touch report) is no answer, and must
    // not mix its bytes with the next reply's: only controller reports are classified.
    if (!IsControllerReport(
            std::span<const std::uint8_t>(reply.data(), static_cast<std::size_t>(got)))) {
        return std::nullopt;
    }
    switch (ParseReply(reply)) {
        case Verdict::Success:
            return ListenerEvent::Success;
        case Verdict::Failure:
            return ListenerEvent::Failure;
        case Verdict::None:
            break;
    }
    return std::nullopt;  // no verdict: skipped, the calibration goes on
}

}  // namespace

bool VerdictListener::Start(int fd, Callback onEvent) {
    std::lock_guard lock(mutex_);
    if (thread_.joinable() || fd < 0) {
        return false;
    }
    auto shared = std::make_shared<Shared>();
    shared->fd.reset(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    shared->stopFd.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!shared->fd || !shared->stopFd) {
        return false;
    }
    // Made while the lock is held: a callback that runs at once and stops the listener waits in
    // Stop until both members are in place.
    try {
        thread_ = std::thread(&VerdictListener::Run, shared, std::move(onEvent));
    } catch (const std::system_error&) {
        return false;
    }
    shared_ = std::move(shared);
    return true;
}

void VerdictListener::Stop() {
    std::thread thread;
    std::shared_ptr<Shared> shared;
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) {
            return;
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(shared_->stopFd.get(), &one, sizeof one);
        if (thread_.get_id() == std::this_thread::get_id()) {
            return;  // asked from the callback: the thread ends as it returns; its owner joins it
        }
        thread = std::move(thread_);
        shared = std::move(shared_);
    }
    JoinWithin(thread, shared->ended, THREAD_END_WAIT, "the verdict listener");
}

bool VerdictListener::started() const {
    std::lock_guard lock(mutex_);
    return thread_.joinable();
}

void VerdictListener::Run(std::shared_ptr<Shared> shared, Callback onEvent) noexcept {
    try {
        Listen(*shared, onEvent);
    } catch (...) {
        // Nothing may leave the thread procedure; the event is lost with the callback's fault.
    }
    shared->ended.Announce();
}

void VerdictListener::Listen(const Shared& shared, const Callback& onEvent) {
    ReplyFrame reply{};
    std::optional<ListenerEvent> event;
    while (!event) {
        switch (WaitForReportOrStop(shared.fd.get(), shared.stopFd.get())) {
            case Wake::Stop:
                return;
            case Wake::Interrupted:
                break;
            case Wake::HungUp:
                LogErrorFromThread("verdict listener ends: ",
                                   [] { return "the controller hung up"; });
                event = ListenerEvent::ControllerGone;
                break;
            case Wake::Readable:
                event = ReadAndClassify(shared.fd.get(), reply);
                break;
        }
    }
    if (onEvent) {
        onEvent(*event);
    }
}

}  // namespace norvessa
