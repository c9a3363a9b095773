#pragma once
// Serves a SimulatedController on its own thread behind the server end of a message-mode,
// overlapped named pipe. Each pipe message is one report, as a HID interface delivers them, so
// the tool's frame I/O talks to it through the same overlapped handle calls as to a device.

#include <windows.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "controller/win32/win32_handles.h"
#include "protocol/win32/overlapped_io.h"
#include "simulated_controller.h"

namespace norvessa::sim {

class NamedPipePeer {
  public:
    // Larger than any report, so a message always arrives whole and its length is the report's.
    static constexpr DWORD READ_BUFFER_SIZE = 256;

    // Creates the pipe, opens the tool's end and starts serving. `inboundBufferSize` is the
    // pipe's buffer for the tool's writes; a small one lets a test hold writes back. Throws
    // std::runtime_error when the pipe cannot be made.
    explicit NamedPipePeer(DWORD inboundBufferSize = 4096);
    ~NamedPipePeer();
    NamedPipePeer(const NamedPipePeer&) = delete;
    NamedPipePeer& operator=(const NamedPipePeer&) = delete;

    // The pipe's name: the path under which the tool's end counts as the controller's.
    const std::wstring& path() const { return path_; }
    // The tool's end, opened for overlapped I/O in message-read mode. Taken once.
    UniqueFileHandle TakeHostHandle() { return std::move(hostHandle_); }

    // Runs f on the controller under the peer's lock.
    template <typename F>
    auto With(F&& f) {
        std::lock_guard lock(mutex_);
        return f(controller_);
    }
    // A finger landing on or leaving the screen, told by the tool's own thread. The serving
    // thread first takes every report already in the pipe, then applies the touch, and the
    // caller waits for that (a bounded while): a touch never overtakes the frame that announced
    // its target, nor is a frame the tool writes after it taken before it.
    void FingerDown();
    void FingerUp();
    // Puts a report in the input queue now (a report the tool did not ask for).
    void QueueReport(const ReplyFrame& report);

    // Stops taking the tool's writes; they then fill the pipe and wait. A pause returns once
    // the serving thread has settled the read it had waiting, so no frame written after the
    // call is taken; false when that thread did not come round within a bounded while (it is
    // stuck writing to a tool that does not read).
    bool PauseReading(bool paused);
    // Closes the device end: the tool's reads and writes fail from now on.
    void Disconnect();
    // Waits until the controller has received at least count reports.
    bool WaitForReceived(std::size_t count, std::chrono::milliseconds timeout);
    std::size_t ReceivedCount();

  private:
    void Serve() noexcept;
    void OnReportRead(DWORD length);
    void TellFinger(bool down);
    void TakeWrittenReports(OverlappedOperation& read);
    void ApplyFingerEvents();
    void SendDueReports();
    DWORD MillisecondsToNextReport();
    void Wake() { ::SetEvent(wake_.get()); }

    std::array<std::uint8_t, READ_BUFFER_SIZE> buffer_{};
    std::wstring path_;
    UniqueFileHandle deviceHandle_;
    UniqueFileHandle hostHandle_;
    UniqueKernelHandle wake_;

    std::mutex mutex_;
    std::condition_variable receivedChanged_;
    std::condition_variable fingerApplied_;
    std::condition_variable pauseApplied_;
    SimulatedController controller_;
    bool stop_ = false;
    bool paused_ = false;
    bool disconnected_ = false;
    // Finger events not applied yet, in order: true for down, with the time they happened.
    std::vector<std::pair<bool, Clock::time_point>> fingerEvents_;
    // Finger events told, and applied, so far.
    std::uint64_t fingerEventsTold_ = 0;
    std::uint64_t fingerEventsApplied_ = 0;
    // Pause changes told, and seen by the serving thread with no read left waiting, so far.
    std::uint64_t pausesTold_ = 0;
    std::uint64_t pausesApplied_ = 0;
    std::thread thread_;
};

}  // namespace norvessa::sim
