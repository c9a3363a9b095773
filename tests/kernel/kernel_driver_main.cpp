// The test driver of the kernel tier, run inside the QEMU guest. It uses the Linux controller
// link exactly as the application does (no user interface) against virtual HID devices that
// the kernel presents as /dev/hidrawN, plugged in and out by the device program.

#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <dirent.h>
#include <unistd.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "calibration/calibration_run.h"
#include "controller/linux/controller_state.h"
#include "controller/linux/hidraw_platform.h"
#include "controller/linux/linux_controller_link.h"
#include "hex_text.h"
#include "peer_process.h"
#include "protocol/linux/frame_io.h"
#include "protocol/linux/reset_exchange.h"
#include "protocol/linux/verdict_listener.h"
#include "uhid_device.h"

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

// The HID device behind a hidraw node, as sysfs names it ("0003:1209:0001.0001").
std::string HidDeviceName(const std::string& node) {
    char target[256] = {};
    const std::string link = "/sys/class/hidraw/" + node + "/device";
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    const std::string path(target, length > 0 ? static_cast<std::size_t>(length) : 0);
    return path.substr(path.rfind('/') + 1);
}

// The hidraw nodes of devices whose HID name contains `ids` (":1209:" for the uhid devices).
std::vector<std::string> HidrawNodesOf(const std::string& ids) {
    std::vector<std::string> nodes;
    if (DIR* dir = ::opendir("/sys/class/hidraw")) {
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.' &&
                HidDeviceName(entry->d_name).find(ids) != std::string::npos)
                nodes.push_back(entry->d_name);
        }
        ::closedir(dir);
    }
    return nodes;
}

// The uhid devices' nodes only: QEMU's USB keyboard has one too.
std::size_t HidrawNodeCount() {
    return HidrawNodesOf(":1209:").size();
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

// QEMU's USB keyboard (vendor 0627) on port 1 of the first bus, with the serial number the
// script gives it: its identity comes from the usb_device above the node.
void UsbDeviceIdentity() {
    const auto deadline = Clock::now() + 5s;
    while (HidrawNodesOf(":0627:").empty() && Clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    const std::vector<std::string> nodes = HidrawNodesOf(":0627:");
    Check(nodes.size() == 1, "one hidraw node of the USB keyboard");
    if (nodes.empty())
        return;
    UdevContext context(udev_new());
    HidrawPlatform platform(context.get());
    const std::unique_ptr<OpenedInterface> opened = platform.Open("/dev/" + nodes[0]);
    Check(opened != nullptr, "the USB keyboard's node opened");
    const InterfaceIdentity identity = opened ? opened->identity() : InterfaceIdentity{};
    Check(identity.vendorId == 0x0627, "vendor of the USB keyboard");
    Check(identity.serialNumber == "NRV-USB-KBD", "serial number: " + identity.serialNumber);
    Check(identity.usbPort == "1-1", "USB port: " + identity.usbPort);
}

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
    const InterfaceIdentity identity =
        ut.link.current() != nullptr ? ut.link.current()->identity() : InterfaceIdentity{};
    Check(identity.vendorId == 0x1209 && identity.productName == "norvessa-test-controller",
          "identity names vendor and product");
    Check(identity.serialNumber == UniqText(DeviceKind::Controller),
          "serial number from HID_UNIQ: " + identity.serialNumber);
    Check(identity.usbPort.empty(), "no USB port off USB: " + identity.usbPort);
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

// As the calibration window opens a run: whatever is queued is drained first, so no reply left
// over from before can pass for this run's verdict.
void SendOpeningFrames(CalibrationRun& run) {
    Check(run.Begin(1920, 1080) == LayoutResult::Ok, "layout");
    Check(DrainInput(g_controllerFd) == DrainStatus::Drained, "input drained");
    for (const CalibrationFrame& frame : run.OpeningFrames()) {
        Check(SendFrame(CurrentControllerChannel(), frame) == WriteStatus::Written,
              "opening frame written");
    }
}

// A finger held for `hold` gives the listener the time to read a touch-down's burst before the
// lift-off, as a real touch does: the kernel drops what arrives while 64 reports wait unread.
void TouchEveryTarget(PeerProcess& peer, CalibrationRun& run,
                      std::chrono::milliseconds hold = 0ms) {
    const ControllerChannel channel = CurrentControllerChannel();
    while (!run.AllTargetsAccepted()) {
        peer.Ok("finger down");
        std::this_thread::sleep_for(hold);
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

void NinePointCalibration(PeerProcess& peer, const char* answer, ListenerEvent expected,
                          std::chrono::milliseconds hold = 0ms) {
    const int before = std::stoi(peer.Command("received").substr(9));
    Check(peer.Ok(std::string("calibrate ") + answer), "script the verdict");
    Check(peer.Ok("noise AA F1 01"), "a no-verdict report first");
    ListenerLog log;
    VerdictListener listener;
    CalibrationRun run(9);
    SendOpeningFrames(run);
    Check(listener.Start(g_controllerFd, log.Callback()), "listener started");
    TouchEveryTarget(peer, run, hold);
    const auto event = log.Wait(3s);
    Check(event == expected, std::string("verdict read back for ") + answer + ": " +
                                 (event ? std::to_string(static_cast<int>(*event)) : "none"));
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
    // Another silence, or the late reply that the stale-reply scenario covers: once is enough.
    bool plainOnly = false;
};

// With `touchBursts`, a finger lands before every reset: the touch controller's digitizer
// queues more reports than the kernel keeps for the node, on top of its running stream.
void ResetOutcomes(PeerProcess& peer, bool touchBursts = false) {
    // The kernel drops an input report whose ID the device does not declare, so AB F1 FF
    // never reaches hidraw: on a real device it reads as silence, not as a non-verdict.
    const ResetCase cases[] = {
        {"success", ResetOutcome::Succeeded, false},
        {"failure", ResetOutcome::Failed, false},
        {"AA F1 01", ResetOutcome::NoMessage, false},
        {"AB F1 FF", ResetOutcome::NoReply, true, true},
        {"silent", ResetOutcome::NoReply, true},
        {"success 600", ResetOutcome::NoReply, true, true},
    };
    for (const ResetCase& c : cases) {
        if (touchBursts && c.plainOnly) {
            continue;
        }
        Check(peer.Ok(std::string("reset ") + c.script), std::string("script reset ") + c.script);
        if (touchBursts) {
            Check(peer.Ok("finger down"), "finger down");
            std::this_thread::sleep_for(50ms);  // the burst reaches the node first
        }
        const auto started = Clock::now();
        const ResetOutcome outcome = RunResetExchange(CurrentControllerChannel());
        const auto took = Clock::now() - started;
        Check(outcome == c.outcome, std::string("reset outcome for ") + c.script);
        if (c.slow) {
            Check(took >= 450ms && took < 1500ms, std::string("reply bound for ") + c.script);
        } else {
            Check(took < 450ms, std::string("prompt answer for ") + c.script);
        }
        if (touchBursts) {
            Check(peer.Ok("finger up"), "finger up");
        }
    }
    // The last answer is 600 ms late: let it land so it cannot arrive in the middle of the next
    // scenario's wait, where nothing could tell it from a prompt answer, and read it away.
    std::this_thread::sleep_for(300ms);
    Check(DrainInput(g_controllerFd) == DrainStatus::Drained, "late answer drained");
}

// A reply 600 ms late to one reset lands in the node's queue after that exchange gave up. The
// stream is slowed so the kernel's 64-report queue cannot overflow and drop that reply.
void QueueLateReply(PeerProcess& peer) {
    Check(peer.Ok("reset success 600"), "script a late reply");
    const ResetOutcome outcome = RunResetExchange(CurrentControllerChannel());
    Check(outcome == ResetOutcome::NoReply,
          "late reply: no reply, not " + std::to_string(static_cast<int>(outcome)));
    std::this_thread::sleep_for(300ms);
}

// First proves that the late reply is there to be mistaken, then that the next reset, against a
// controller that no longer answers, does not take it for its answer.
void StaleReply(PeerProcess& peer) {
    Check(peer.Ok("stream 0 20"), "slower touch stream");
    QueueLateReply(peer);
    std::array<std::uint8_t, FRAME_SIZE> buffer{};
    bool found = false;
    while (!found && ReadReport(g_controllerFd, buffer, 0).status == ReadStatus::Report) {
        found = buffer[0] == 0xAA && buffer[1] == 0xF1 && buffer[2] == 0xFF;
    }
    Check(found, "the late reply waits in the node's queue");

    QueueLateReply(peer);
    Check(peer.Ok("reset silent"), "script silence");
    Check(RunResetExchange(CurrentControllerChannel()) == ResetOutcome::NoReply,
          "silent controller after a late reply: no reply");
    Check(peer.Ok("stream 100 2"), "touch stream back to full rate");
}

// Reads away the hot-plug events queued so far: the link never hears of them.
void LoseHotplugEvents(LinkUnderTest& ut) {
    std::array<char, 8192> buffer{};
    while (::recv(ut.link.hotplugFd(), buffer.data(), buffer.size(), MSG_DONTWAIT) > 0) {
    }
}

// The controller's removal event is lost: the dead controller stays current until the
// controller arrives again, and then gives way to it.
void MissedRemoval(PeerProcess& peer, LinkUnderTest& ut) {
    Check(peer.Ok("create controller"), "plug controller");
    Check(ut.PumpUntil([&] { return g_controllerFd >= 0; }), "controller current");
    const std::size_t nodes = HidrawNodeCount();
    ut.events.clear();
    Check(peer.Ok("destroy controller"), "unplug controller");
    Check(WaitForNodeCount(nodes - 1), "its node went away");
    std::this_thread::sleep_for(200ms);
    LoseHotplugEvents(ut);
    Check(g_controllerFd >= 0 && ut.events.empty(), "the dead controller is still current");

    Check(peer.Ok("create controller"), "plug controller again");
    Check(ut.PumpUntil([&] { return ut.events.size() >= 2; }), "its arrival was handled");
    Check(ut.events == std::vector<std::string>({"releasing", "current"}),
          "the dead controller released, the new one current");
    Check(ut.CurrentName() == "norvessa-test-controller", "current is " + ut.CurrentName());
    Check(peer.Ok("reset success"), "script reset success");
    Check(RunResetExchange(CurrentControllerChannel()) == ResetOutcome::Succeeded,
          "the new controller answers");
    Check(peer.Ok("destroy controller"), "unplug controller");
    Check(ut.PumpUntil([&] { return g_controllerFd < 0; }), "controller released");
}

void TouchControllerFound(PeerProcess& peer, LinkUnderTest& ut) {
    Check(peer.Ok("create touchcontroller"), "plug the touch controller");
    Check(ut.PumpUntil([&] { return g_controllerFd >= 0; }), "its node became current");
    Check(ut.CurrentName() == "norvessa-test-touchcontroller", "current is " + ut.CurrentName());
    Check(g_outputReportLength == 64, "output report length 64");
    Check(peer.Ok("stream 100 2"), "touch stream started");
}

// The digitizer's reports really reached the node while the scenario ran.
void ExpectTouchStream(PeerProcess& peer, std::size_t atLeast) {
    const std::string answer = peer.Command("touches");
    const std::size_t made = answer.rfind("touches ", 0) == 0 ? std::stoul(answer.substr(8)) : 0;
    Check(made >= atLeast, "touch reports made: " + answer);
}

void RemovalDuringPendingRead(PeerProcess& peer, LinkUnderTest& ut) {
    ListenerLog log;
    VerdictListener listener;
    // As the window does: a late reset reply queued earlier is no verdict for this read.
    Check(DrainInput(g_controllerFd) == DrainStatus::Drained, "input drained");
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
        {"a USB device's serial number and port", [&] { UsbDeviceIdentity(); }},
        {"start-up search among decoys", [&] { StartUpSearchAmongDecoys(peer, ut); }},
        {"hot-plug of controller and decoy", [&] { HotPlug(peer, ut); }},
        {"nine-point calibration, success",
         [&] { NinePointCalibration(peer, "success", ListenerEvent::Success); }},
        {"nine-point calibration, failure",
         [&] { NinePointCalibration(peer, "failure", ListenerEvent::Failure); }},
        {"reset outcomes", [&] { ResetOutcomes(peer); }},
        {"removal during a pending read", [&] { RemovalDuringPendingRead(peer, ut); }},
        {"missed removal, then the controller again", [&] { MissedRemoval(peer, ut); }},
        {"touch controller: one device, digitizer beside the controller",
         [&] { TouchControllerFound(peer, ut); }},
        {"touch controller: nine-point calibration with the stream running",
         [&] {
             NinePointCalibration(peer, "success", ListenerEvent::Success, 50ms);
             ExpectTouchStream(peer, 10 * 100);
         }},
        {"touch controller: reset outcomes with bursts over 64 and the stream running",
         [&] { ResetOutcomes(peer, true); }},
        {"touch controller: a late reply does not answer the next reset",
         [&] { StaleReply(peer); }},
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
