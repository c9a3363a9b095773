#pragma once
// Serves a SimulatedController on its own thread behind one end of a
// socketpair(SOCK_SEQPACKET): each packet is one report, as on a hidraw node, so the tool's
// Linux link can talk to it through its real file-descriptor path.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <utility>

#include "controller/linux/unique_fd.h"
#include "simulated_controller.h"

namespace norvessa::sim {

class SeqpacketPeer {
  public:
    SeqpacketPeer();
    ~SeqpacketPeer();
    SeqpacketPeer(const SeqpacketPeer&) = delete;
    SeqpacketPeer& operator=(const SeqpacketPeer&) = delete;

    // The tool's end, as if a hidraw node had been opened. Taken once.
    UniqueFd TakeHostFd() { return std::move(hostFd_); }

    // Runs f on the controller under the peer's lock.
    template <typename F>
    auto With(F&& f) {
        std::lock_guard lock(mutex_);
        return f(controller_);
    }
    // A finger landing on or leaving the screen, told by the host's thread: applied after every
    // report the host wrote before it.
    void FingerDown();
    void FingerUp();

    // Starts the controller's touch stream on the same socket as its replies.
    void StartTouchStream(const TouchStream& stream = {});

    // Stops taking output reports (the host's writes then fill the socket and block).
    void PauseReading(bool paused);
    // Hangs up the device end: the host sees a hang-up at once, as when the controller is
    // unplugged. The serving thread closes the fd itself, since it may be polling it.
    void Disconnect();
    // Waits until the controller has received at least count reports.
    bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout);

  private:
    void Serve();
    void Wake();
    bool ReadReports();
    void SendDueReports();
    // Under the lock: the device end is open and not hung up.
    bool Connected() const { return deviceFd_.valid() && !hungUp_; }

    std::mutex mutex_;
    std::condition_variable receivedChanged_;
    SimulatedController controller_;
    UniqueFd hostFd_;
    // Closed only by the serving thread (or after it has ended): the fd number it polls stays
    // valid while it waits outside the lock.
    UniqueFd deviceFd_;
    UniqueFd wakeFd_;
    bool hungUp_ = false;
    bool stop_ = false;
    bool paused_ = false;
    std::thread thread_;
};

}  // namespace norvessa::sim
