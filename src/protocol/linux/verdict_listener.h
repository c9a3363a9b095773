#pragma once
// The verdict listener of a calibration run: a thread that reads the controller's reports until
// one carries a verdict, and hands that verdict, or the loss of the controller, to a callback.
// It can be stopped at any moment, and is always stopped before its fd is closed, so it never
// takes a report meant for a later calibration or for the reset exchange.

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "controller/linux/thread_end.h"
#include "controller/linux/unique_fd.h"

namespace norvessa {

enum class ListenerEvent {
    Success,         // AA F1 FF
    Failure,         // AA F1 00
    ControllerGone,  // the fd hung up or failed: no verdict can come any more
};

class VerdictListener {
  public:
    // Runs on the listener thread, at most once per Start. It must not touch windows or the
    // controller state: it posts the event to the user-interface thread and returns.
    using Callback = std::function<void(ListenerEvent)>;

    VerdictListener() = default;
    ~VerdictListener() { Stop(); }
    VerdictListener(const VerdictListener&) = delete;
    VerdictListener& operator=(const VerdictListener&) = delete;

    // Starts reading `fd` through a duplicate of its own, so a thread that has to be left
    // behind never reads a closed or reused fd number. False when already started, without an
    // fd, or when no thread could be made. Start, Stop and started() may be called from any
    // thread, and Stop from the callback too, even when it runs before Start has returned.
    bool Start(int fd, Callback onEvent);
    // Ends the thread at once, whether it waits for a report or has already delivered its
    // event, and joins it. Idempotent. After it returns no report is taken from the fd. A
    // thread that does not end within THREAD_END_WAIT (its callback blocked) is reported on
    // stderr and left behind rather than holding the user interface; it calls no callback
    // after that, unless it is inside one already.
    void Stop();
    // True from Start until Stop has joined (or left) the thread: a Stop from the callback only
    // asks the thread to end, and the owner's Stop joins it.
    bool started() const;

  private:
    struct Shared {
        UniqueFd fd;
        UniqueFd stopFd;
        EndSignal ended;
    };
    static void Run(std::shared_ptr<Shared> shared, Callback onEvent) noexcept;
    static void Listen(const Shared& shared, const Callback& onEvent);

    // Guards both: the thread's own Stop (from the callback) may read them while Start is still
    // assigning them. Never held while waiting for the thread, which may need it to finish.
    mutable std::mutex mutex_;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace norvessa
