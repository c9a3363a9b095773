// The test driver of the kernel tier, run inside the QEMU guest. It uses the Linux controller
// link exactly as the application does (no user interface) against virtual HID devices that
// the kernel presents as /dev/hidrawN, plugged in and out by the device program.

#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <dirent.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "calibration/calibration_run.h"
#include "controller/linux/controller_state.h"
#include "controller/linux/linux_controller_link.h"
#include "hex_text.h"
#include "peer_process.h"
#include "protocol/linux/frame_io.h"
#include "protocol/linux/reset_exchange.h"
#include "protocol/linux/verdict_listener.h"

namespace norvessa::kernel {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

int g_failures = 0;

void Check(bool condition, const std::string& what) {
    if (!condition) {
        ++g_failures;
        std::printf("  FAILED: %s\n", what.c_str());
    }
}

std::size_t HidrawNodeCount() {
    std::size_t count = 0;
    if (DIR* dir = ::opendir("/sys/class/hidraw")) {
        while (const dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

bool WaitForNodeCount(std::size_t count) {
    const auto deadline = Clock::now() + 5s;
    while (HidrawNodeCount() != count && Clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    return HidrawNodeCount() == count;
}

std::string NodeName(int fd) {
    char name[256] = {};
    if (fd < 0 || ::ioctl(fd, HIDIOCGRAWNAME(sizeof name - 1), name) < 0)
        return "";
    return name;
}

// The link with the user interface's part played by a log of what it was told.
struct LinkUnderTest {
    std::vector<std::string> events;
    LinuxControllerLink link{TrackControllerState(ControllerEvents{
        .releasing = [this](OpenedInterface&) { events.push_back("releasing"); },
        .changed = [this](OpenedInterface* d) { events.push_back(d ? "current" : "none"); }})};

    // Processes hot-plug events until `until` holds or two seconds pass.
    bool PumpUntil(const std::function<bool()>& until) {
        const auto deadline = Clock::now() + 2s;
        while (!until() && Clock::now() < deadline) {
            pollfd pfd{link.hotplugFd(), POLLIN, 0};
            if (::poll(&pfd, 1, 50) > 0)
                link.ProcessPendingEvents();
        }
        return until();
    }
    // Gives stray hot-plug events time to arrive and handles them.
    void Settle() {
        const auto deadline = Clock::now() + 300ms;
        while (Clock::now() < deadline) {
            pollfd pfd{link.hotplugFd(), POLLIN, 0};
            if (::poll(&pfd, 1, 50) > 0)
                link.ProcessPendingEvents();
        }
    }
    std::string CurrentName() const { return NodeName(g_controllerFd); }
};

// Collects the listener's one event.
struct ListenerLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<ListenerEvent> event;

    VerdictListener::Callback Callback() {
        return [this](ListenerEvent e) {
            std::lock_guard lock(mutex);
            event = e;
            changed.notify_all();
        };
    }
    std::optional<ListenerEvent> Wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, timeout, [&] { return event.has_value(); });
        return event;
    }
};

void StartUpSearchAmongDecoys(PeerProcess& peer, LinkUnderTest& ut) {
    for (const char* decoy : {"keyboard", "otherid", "wide"}) {
        Check(peer.Ok(std::string("create ") + decoy), std::string("create ") + decoy);
    }
    Check(peer.Ok("create controller"), "create controller");
    Check(WaitForNodeCount(4), "four hidraw nodes");
    Check(ut.link.SetUp(), "hot-plug monitor set up");
    Check(ut.link.hotplugOnKernelSource(), "no udev daemon: kernel source");
    Check(ut.link.FindController(), "controller found behind three decoys");
    Check(ut.CurrentName() == "norvessa-test-controller", "current is " + ut.CurrentName());
    Check(g_outputReportLength == 64, "output report length 64");
}

void HotPlug(PeerProcess& peer, LinkUnderTest& ut) {
    ut.events.clear();
    Check(peer.Ok("destroy keyboard"), "unplug keyboard");
    ut.Settle();
    Check(ut.CurrentName() == "norvessa-test-controller", "keyboard removal kept the controller");
    Check(ut.events.empty(), "keyboard removal told the UI nothing");

    Check(peer.Ok("destroy controller"), "unplug controller");
    Check(ut.PumpUntil([&] { return g_controllerFd < 0; }), "controller removal released it");
    Check(g_outputReportLength == 0, "write length emptied");
    Check(ut.events == std::vector<std::string>({"releasing", "none"}), "releasing then none");

    ut.events.clear();
    Check(peer.Ok("create keyboard"), "plug keyboard");
    ut.Settle();
    Check(g_controllerFd < 0, "keyboard arrival is no controller");
    Check(peer.Ok("create controller"), "plug controller");
    Check(ut.PumpUntil([&] { return g_controllerFd >= 0; }), "controller arrival made it current");
    Check(ut.CurrentName() == "norvessa-test-controller", "current after arrival");
    Check(ut.events == std::vector<std::string>({"current"}), "arrival told the UI once");
}

void SendRunFrames(PeerProcess& peer, int count) {
    const ControllerChannel channel = CurrentControllerChannel();
    CalibrationRun run(count);
    Check(run.Begin(1920, 1080) == LayoutResult::Ok, "layout");
    for (const CalibrationFrame& frame : run.OpeningFrames()) {
        Check(SendFrame(channel, frame) == WriteStatus::Written, "opening frame written");
    }
    while (!run.AllTargetsAccepted()) {
        peer.Ok("finger down");
        run.OnTouchInput(TOUCH_FLAG_DOWN, 100, 100);
        for (int i = 0; i < 11; ++i)
            run.OnTouchInput(TOUCH_FLAG_MOVE, 100, 100);
        const TouchOutcome outcome = run.OnTouchInput(TOUCH_FLAG_UP, 100, 100);
        if (outcome.frameToSend) {
            Check(SendFrame(channel, *outcome.frameToSend) == WriteStatus::Written, "point frame");
        }
        peer.Ok("finger up");
    }
}

std::vector<std::uint8_t> ExpectedFrame(const CalibrationFrame& frame) {
    return {frame.begin(), frame.end()};
}

void NinePointCalibration(PeerProcess& peer, const char* answer, ListenerEvent expected) {
    const int before = std::stoi(peer.Command("received").substr(9));
    Check(peer.Ok(std::string("calibrate ") + answer), "script the verdict");
    Check(peer.Ok("noise AA F1 01"), "a no-verdict report first");
    ListenerLog log;
    VerdictListener listener;
    Check(listener.Start(g_controllerFd, log.Callback()), "listener started");
    SendRunFrames(peer, 9);
    const auto event = log.Wait(3s);
    Check(event == expected, std::string("verdict read back for ") + answer);
    listener.Stop();

    Check(peer.Ok("wait " + std::to_string(before + 10) + " 2000"), "ten frames arrived");
    CalibrationRun reference(9);
    Check(reference.Begin(1920, 1080) == LayoutResult::Ok, "reference layout");
    std::vector<std::vector<std::uint8_t>> expectedFrames = {
        ExpectedFrame(BuildSetupFrame(1920, 1080, 9))};
    for (std::uint32_t k = 0; k < 9; ++k) {
        expectedFrames.push_back(ExpectedFrame(
            BuildPointFrame(k, reference.targets().x[k], reference.targets().y[k], 9)));
    }
    for (std::size_t i = 0; i < expectedFrames.size(); ++i) {
        const std::string got =
            peer.Command("report " + std::to_string(before + static_cast<int>(i)));
        Check(got == ToHex(expectedFrames[i]), "frame " + std::to_string(i) + ": " + got);
    }
}

struct ResetCase {
    const char* script;
    ResetOutcome outcome;
    bool slow;  // expected to take the whole reply bound
};

void ResetOutcomes(PeerProcess& peer) {
    // The kernel drops an input report whose ID the device does not declare, so AB F1 FF
    // never reaches hidraw: on a real device it reads as silence, not as a non-verdict.
    const ResetCase cases[] = {
        {"success", ResetOutcome::Succeeded, false},  {"failure", ResetOutcome::Failed, false},
        {"AA F1 01", ResetOutcome::NoMessage, false}, {"AB F1 FF", ResetOutcome::Failed, true},
        {"silent", ResetOutcome::Failed, true},       {"success 600", ResetOutcome::Failed, true},
    };
    for (const ResetCase& c : cases) {
        Check(peer.Ok(std::string("reset ") + c.script), std::string("script reset ") + c.script);
        const auto started = Clock::now();
        const ResetOutcome outcome = RunResetExchange(CurrentControllerChannel());
        const auto took = Clock::now() - started;
        Check(outcome == c.outcome, std::string("reset outcome for ") + c.script);
        if (c.slow) {
            Check(took >= 450ms && took < 1500ms, std::string("reply bound for ") + c.script);
        } else {
            Check(took < 450ms, std::string("prompt answer for ") + c.script);
        }
    }
    // The late answer lands after its exchange ended; read it away so it cannot pass for the
    // next exchange's reply.
    std::this_thread::sleep_for(300ms);
    std::array<std::uint8_t, FRAME_SIZE> buffer{};
    while (ReadReport(g_controllerFd, buffer, 0).status == ReadStatus::Report) {
    }
}

void RemovalDuringPendingRead(PeerProcess& peer, LinkUnderTest& ut) {
    ListenerLog log;
    VerdictListener listener;
    Check(listener.Start(g_controllerFd, log.Callback()), "listener started");
    std::this_thread::sleep_for(100ms);
    Check(peer.Ok("destroy controller"), "unplug during the read");
    Check(log.Wait(2s) == ListenerEvent::ControllerGone, "listener reported the controller gone");
    listener.Stop();
    Check(ut.PumpUntil([&] { return g_controllerFd < 0; }), "link released the controller");
}

struct Scenario {
    const char* name;
    std::function<void()> run;
};

}  // namespace

int RunAll(const std::string& peerProgram) {
    PeerProcess peer(peerProgram);
    if (!peer.running()) {
        std::printf("cannot start %s\n", peerProgram.c_str());
        return 2;
    }
    LinkUnderTest ut;
    const Scenario scenarios[] = {
        {"start-up search among decoys", [&] { StartUpSearchAmongDecoys(peer, ut); }},
        {"hot-plug of controller and decoy", [&] { HotPlug(peer, ut); }},
        {"nine-point calibration, success",
         [&] { NinePointCalibration(peer, "success", ListenerEvent::Success); }},
        {"nine-point calibration, failure",
         [&] { NinePointCalibration(peer, "failure", ListenerEvent::Failure); }},
        {"reset outcomes", [&] { ResetOutcomes(peer); }},
        {"removal during a pending read", [&] { RemovalDuringPendingRead(peer, ut); }},
    };
    int passed = 0;
    int failed = 0;
    for (const Scenario& scenario : scenarios) {
        const int before = g_failures;
        std::printf("[ RUN  ] %s\n", scenario.name);
        scenario.run();
        const bool ok = g_failures == before;
        std::printf("[ %s ] %s\n", ok ? " OK " : "FAIL", scenario.name);
        (ok ? passed : failed)++;
    }
    std::printf("kernel: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace norvessa::kernel

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PEER_PROGRAM\n", argv[0]);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        return norvessa::kernel::RunAll(argv[1]);
    } catch (const std::exception& error) {
        std::printf("kernel driver: %s\n", error.what());
        return 2;
    }
}
