#include "controller/linux/report_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <vector>

#include "controller/linux/device_errors.h"
#include "controller/linux/thread_end.h"
#include "controller/linux/unique_fd.h"
#include "controller/log.h"

namespace norvessa {
namespace {

// Sent to a writer thread to end a write() that blocks in the kernel: its handler does nothing
// and is installed without SA_RESTART, so the write returns EINTR.
int ReleaseSignal() {
    static const int number = [] {
        const int chosen = SIGRTMIN + 3;
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction(chosen, &action, nullptr);
        return chosen;
    }();
    return number;
}

struct Pending {
    std::vector<std::uint8_t> bytes;
    std::shared_ptr<std::optional<WriterStatus>> outcome;
};

}  // namespace

struct ReportWriter::Shared {
    UniqueFd fd;      // the writer's own duplicate
    UniqueFd wakeFd;  // readable once the writer is asked to end
    std::atomic<bool> stopping{false};
    EndSignal ended;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Pending> queue;  // the front is being written while `writing`
    bool writing = false;
    bool gone = false;
};

namespace {

// Waits until fd takes a write or the writer is asked to end.
WriterStatus WaitWritable(int fd, int wakeFd) {
    std::array<pollfd, 2> entries{{{wakeFd, POLLIN, 0}, {fd, POLLOUT, 0}}};
    if (::poll(entries.data(), entries.size(), -1) < 0 && errno != EINTR) {
        return WriterStatus::Failed;
    }
    if (entries[0].revents != 0) {
        return WriterStatus::Failed;
    }
    if (entries[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        return WriterStatus::Gone;
    }
    return WriterStatus::Written;  // writable, or interrupted: try the write again
}

WriterStatus WriteWhole(int fd, int wakeFd, const std::atomic<bool>& stopping,
                        std::span<const std::uint8_t> bytes) {
    while (!stopping) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written >= 0) {
            // A report goes out whole or not at all.
            return static_cast<std::size_t>(written) == bytes.size() ? WriterStatus::Written
                                                                     : WriterStatus::Failed;
        }
        const int error = errno;
        if (IsDeviceGoneError(error)) {
            LogErrorFromThread("write to the controller failed: ",
                               [error] { return ErrorNumberText(error); });
            return WriterStatus::Gone;
        }
        if (error == EAGAIN || error == EWOULDBLOCK) {
            // A node that does poll (a socket) is waited on; hidraw never gets here.
            const WriterStatus ready = WaitWritable(fd, wakeFd);
            if (ready != WriterStatus::Written) {
                return ready;
            }
        } else if (error != EINTR) {
            LogErrorFromThread("write to the controller failed: ",
                               [error] { return ErrorNumberText(error); });
            return WriterStatus::Failed;
        }
    }
    return WriterStatus::Failed;
}

}  // namespace

void ReportWriter::Run(std::shared_ptr<Shared> shared) noexcept {
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->changed.wait(lock, [&] { return shared->stopping || !shared->queue.empty(); });
        if (shared->stopping) {
            break;
        }
        const Pending& front = shared->queue.front();
        shared->writing = true;
        lock.unlock();
        const WriterStatus status =
            WriteWhole(shared->fd.get(), shared->wakeFd.get(), shared->stopping, front.bytes);
        lock.lock();
        *front.outcome = status;
        shared->queue.pop_front();
        shared->writing = false;
        if (status == WriterStatus::Gone) {
            // Nothing queued behind it can reach the controller any more.
            shared->gone = true;
            for (Pending& waiting : shared->queue) {
                *waiting.outcome = WriterStatus::Gone;
            }
            shared->queue.clear();
        }
        shared->changed.notify_all();
    }
    lock.unlock();
    shared->ended.Announce();
}

bool ReportWriter::Start() {
    auto shared = std::make_shared<Shared>();
    shared->fd.reset(::fcntl(fd_, F_DUPFD_CLOEXEC, 0));
    shared->wakeFd.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!shared->fd || !shared->wakeFd) {
        return false;
    }
    ReleaseSignal();  // installed before any thread may need it
    try {
        thread_ = std::thread(&ReportWriter::Run, shared);
    } catch (const std::system_error&) {
        return false;
    }
    shared_ = std::move(shared);
    return true;
}

WriterStatus ReportWriter::Write(std::span<const std::uint8_t> report,
                                 std::chrono::milliseconds wait) {
    if (report.empty() || fd_ < 0 || (!shared_ && !Start())) {
        return WriterStatus::Failed;
    }
    std::unique_lock lock(shared_->mutex);
    if (shared_->gone) {
        return WriterStatus::Gone;
    }
    if (shared_->queue.size() >= MAX_QUEUED) {
        return WriterStatus::Backlogged;
    }
    auto outcome = std::make_shared<std::optional<WriterStatus>>();
    shared_->queue.push_back(Pending{{report.begin(), report.end()}, outcome});
    shared_->changed.notify_all();
    if (!shared_->changed.wait_for(lock, wait, [&] { return outcome->has_value(); })) {
        return WriterStatus::TimedOut;
    }
    return **outcome;
}

void ReportWriter::DropQueued() {
    if (!shared_) {
        return;
    }
    std::lock_guard lock(shared_->mutex);
    auto& queue = shared_->queue;
    // The front may already be inside write(): that one cannot be taken back.
    queue.erase(queue.begin() + (shared_->writing ? 1 : 0), queue.end());
}

bool ReportWriter::WaitUntilIdle(std::chrono::milliseconds wait) {
    DropQueued();
    if (!shared_) {
        return true;
    }
    std::unique_lock lock(shared_->mutex);
    return shared_->changed.wait_for(lock, wait, [&] { return shared_->queue.empty(); });
}

ReportWriter::~ReportWriter() {
    Release();
}

void ReportWriter::Release() {
    if (!shared_) {
        return;
    }
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopping = true;
        shared_->changed.notify_all();
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t woken = ::write(shared_->wakeFd.get(), &one, sizeof one);
    const pthread_t handle = thread_.native_handle();
    // Repeated, since a signal that lands just before the thread enters write() is lost.
    JoinWithin(thread_, shared_->ended, THREAD_END_WAIT, "the controller's writer thread",
               [handle] { ::pthread_kill(handle, ReleaseSignal()); });
    shared_.reset();
}

}  // namespace norvessa
