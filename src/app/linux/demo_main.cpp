// Norvessa with the simulated controller in place of a real one: the same application, whose
// controller is served behind a socket pair, and told of every touch as a real controller
// would feel it. Answers every calibration and reset with success, the calibration a moment
// after the last lift-off, as a controller that works its calibration out takes a while.
// With NORVESSA_DEMO_FRAMES set to a file name, it appends there every output report the
// controller receives, one a line in hex, as it arrives: scripts check the frames by it, and
// follow a run while it is on (where the next cross lies).

#include <fcntl.h>

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/linux/command_line_app.h"
#include "seqpacket_peer.h"

namespace {

// Writes each report the controller receives to the file as soon as it is there, on a thread of
// its own so that the application's threads are never held up by the file.
class FrameLog {
  public:
    FrameLog(norvessa::sim::SeqpacketPeer& peer, const char* path)
        : peer_(peer), out_(path, std::ios::trunc), thread_([this] { Follow(); }) {}
    ~FrameLog() {
        stop_ = true;
        thread_.join();
        WriteNew();  // whatever came in after the thread's last look
    }
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

  private:
    void Follow() {
        while (!stop_) {
            if (peer_.WaitForReceived(written_ + 1, std::chrono::milliseconds(100))) {
                WriteNew();
            }
        }
    }

    void WriteNew() {
        std::string lines;
        peer_.With([this, &lines](norvessa::sim::SimulatedController& controller) {
            const auto& received = controller.received();
            for (; written_ < received.size(); ++written_) {
                lines += norvessa::sim::FrameLogLine(received[written_]);
            }
        });
        out_ << lines << std::flush;
    }

    norvessa::sim::SeqpacketPeer& peer_;
    std::ofstream out_;
    std::size_t written_ = 0;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
    norvessa::sim::SeqpacketPeer peer;
    peer.With([](norvessa::sim::SimulatedController& controller) {
        controller.SetCalibrationScript({.delay = std::chrono::milliseconds(1500)});
    });
    norvessa::ReadyController ready{.fd = peer.TakeHostFd()};
    // A hidraw node is opened non-blocking; the socket-pair end behaves the same way.
    ::fcntl(ready.fd.get(), F_SETFL, ::fcntl(ready.fd.get(), F_GETFL) | O_NONBLOCK);

    std::optional<FrameLog> frameLog;
    if (const char* path = std::getenv("NORVESSA_DEMO_FRAMES")) {
        frameLog.emplace(peer, path);
    }

    norvessa::ui::ApplicationOptions options;
    options.mainDialog.readyController = std::move(ready);
    options.mainDialog.fingerHook = {[&peer] { peer.FingerDown(); }, [&peer] { peer.FingerUp(); }};
    options.mainDialog.captionSuffix = QStringLiteral(" (simulated controller)");
    const int exitCode = norvessa::ui::RunCommandLine(argc, argv, std::move(options));
    frameLog.reset();
    return exitCode;
}
