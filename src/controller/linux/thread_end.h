#pragma once
// A bounded end for a worker thread: the owner waits a limited time for the thread to say it
// has finished, and joins it then. A thread that does not finish in time is reported on stderr
// and left running (detached) rather than hanging the user interface; it must hold everything
// it still touches through shared ownership, so nothing it uses is freed under it.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace norvessa {

class EndSignal {
  public:
    // Called by the thread as the last thing it does.
    void Announce();
    bool WaitFor(std::chrono::milliseconds timeout);

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
};

// How long an owner waits for its thread after asking it to stop.
inline constexpr std::chrono::milliseconds THREAD_END_WAIT{1000};

// Waits up to `bound` for `ended`, calling `nudge` (if any) before each short wait so a thread
// blocked in a system call can be woken again; then joins, or detaches and logs `what`.
// True when the thread was joined.
bool JoinWithin(std::thread& thread, EndSignal& ended, std::chrono::milliseconds bound,
                const char* what, const std::function<void()>& nudge = {});

}  // namespace norvessa
