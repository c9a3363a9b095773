#pragma once
// Shared pieces of the Linux link tests: report descriptors of the devices the link must tell
// apart, and a collector for what the verdict listener reports from its thread.

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "protocol/linux/verdict_listener.h"

namespace norvessa::test {

using Bytes = std::vector<std::uint8_t>;

// One vendor-defined collection with an input and an output report of `count` bytes after the
// report ID `id`.
inline Bytes VendorCollection(std::uint8_t id, std::uint8_t inputCount, std::uint8_t outputCount) {
    return {0x06, 0x00,        0xFF,        // Usage Page (vendor 0xFF00)
            0x09, 0x01,                     // Usage (1)
            0xA1, 0x01,                     // Collection (Application)
            0x85, id,                       //   Report ID
            0x15, 0x00,                     //   Logical Minimum (0)
            0x26, 0xFF,        0x00,        //   Logical Maximum (255)
            0x75, 0x08,                     //   Report Size (8)
            0x95, inputCount,               //   Report Count
            0x09, 0x01,        0x81, 0x02,  //   Usage (1), Input (Data, Var, Abs)
            0x95, outputCount,              //   Report Count
            0x09, 0x02,        0x91, 0x02,  //   Usage (2), Output (Data, Var, Abs)
            0xC0};                          // End Collection
}

// The boot keyboard: 8-byte input report and a 1-byte LED output report, no report IDs.
inline Bytes BootKeyboard() {
    return {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15,
            0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08,
            0x81, 0x01, 0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91,
            0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00,
            0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};
}

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
