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
    // Closes the device end: the host sees a hang-up, as when the controller is unplugged.
    void Disconnect();
    // Waits until the controller has received at least count reports.
    bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout);

  private:
    void Serve();
    void Wake();
    bool ReadReports();
    void SendDueReports();

    std::mutex mutex_;
    std::condition_variable receivedChanged_;
    SimulatedController controller_;
    UniqueFd hostFd_;
    UniqueFd deviceFd_;
    UniqueFd wakeFd_;
    bool stop_ = false;
    bool paused_ = false;
    std::thread thread_;
};

}  // namespace norvessa::sim
