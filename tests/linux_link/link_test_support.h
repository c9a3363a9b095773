#pragma once
// Shared pieces of the Linux link tests: the controller's report descriptor, and a collector for
// what the verdict listener reports from its thread.

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "hid_test_descriptors.h"
#include "protocol/linux/verdict_listener.h"

namespace norvessa::test {

using Bytes = std::vector<std::uint8_t>;
using support::BootKeyboard;
using support::VendorCollection;

inline Bytes ControllerDescriptor() {
    return VendorCollection(0xAA, 63, 63);
}

inline Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The peer closes its end from its own thread; this waits until the host end sees the hang-up.
inline bool WaitForHangUp(int fd, std::chrono::milliseconds timeout) {
    pollfd entry{fd, 0, 0};
    return ::poll(&entry, 1, static_cast<int>(timeout.count())) == 1 &&
           (entry.revents & POLLHUP) != 0;
}

// Waits until a report is queued on the host end.
inline bool WaitForReadable(int fd, std::chrono::milliseconds timeout) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, static_cast<int>(timeout.count())) == 1 &&
           (entry.revents & POLLIN) != 0;
}

// Gathers the listener's events, which arrive on its own thread.
class ListenerEvents {
  public:
    VerdictListener::Callback Callback() {
        return [this](ListenerEvent event) {
            std::lock_guard lock(mutex_);
            events_.push_back(event);
            changed_.notify_all();
        };
    }

    std::optional<ListenerEvent> WaitForFirst(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [this] { return !events_.empty(); })) {
            return std::nullopt;
        }
        return events_.front();
    }

    std::vector<ListenerEvent> All() {
        std::lock_guard lock(mutex_);
        return events_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<ListenerEvent> events_;
};

}  // namespace norvessa::test
