#include "controller/linux/thread_end.h"

#include <cstdio>

namespace norvessa {
namespace {

constexpr std::chrono::milliseconds NUDGE_INTERVAL{20};

}  // namespace

void EndSignal::Announce() {
    std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

bool EndSignal::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return ended_; });
}

bool JoinWithin(std::thread& thread, EndSignal& ended, std::chrono::milliseconds bound,
                const char* what, const std::function<void()>& nudge) {
    if (!thread.joinable()) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        if (nudge) {
            nudge();
        }
        if (ended.WaitFor(NUDGE_INTERVAL)) {
            thread.join();
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            std::fprintf(stderr, "norvessa: %s did not end within %lld ms; left running\n", what,
                         static_cast<long long>(bound.count()));
            thread.detach();
            return false;
        }
    }
}

}  // namespace norvessa
