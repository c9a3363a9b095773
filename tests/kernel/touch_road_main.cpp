// The touch road's driver, run in the QEMU guest on the host's root. A finger's road is the
// controller's digitizer reports, the kernel's multitouch driver, evdev, udev, libinput, the
// display server and Qt; here the device program's robot finger starts that road on a uhid
// touch screen, and the real application calibrates and checks it on Xorg and on Weston.
// Usage: norvessa_touch_road PEER NORVESSA XORG_CONF

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "calibration/target_layout.h"
#include "child_process.h"
#include "hex_text.h"
#include "peer_process.h"
#include "protocol/frames.h"

namespace norvessa::kernel {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using Json = nlohmann::json;

constexpr int WIDTH = 1024;
constexpr int HEIGHT = 768;
constexpr int EXIT_CHECK_FAILED = 6;
constexpr auto APP_TIMEOUT = 120s;
const std::string DEVICE_NAME = "norvessa-test-touchscreen";

int g_failures = 0;

void Check(bool condition, const std::string& what) {
    std::printf("  %s: %s\n", condition ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    if (!condition)
        ++g_failures;
}

bool WaitFor(const std::function<bool()>& ready, std::chrono::milliseconds timeout,
             std::chrono::milliseconds interval = 200ms) {
    const auto deadline = Clock::now() + timeout;
    while (!ready()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The display server a run of the application talks to.
struct Display {
    std::string name;
    std::vector<std::string> environment;
};

// The touch screen's event node, once the kernel's multitouch driver has made it.
std::optional<std::string> TouchEventNode() {
    std::optional<std::string> found;
    if (DIR* dir = ::opendir("/sys/class/input")) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string node = entry->d_name;
            if (node.rfind("event", 0) == 0 &&
                Contains(ReadFile("/sys/class/input/" + node + "/device/name"), DEVICE_NAME))
                found = "/dev/input/" + node;
        }
        ::closedir(dir);
    }
    return found;
}

// What the rest of the road relies on: hid-multitouch binds the device (a single-touch
// digitizer would go to hid-generic and be classified a touchpad), and udev marks its node a
// touch screen, which is how libinput decides to hand out touch events rather than a pointer.
void TouchScreenClassified() {
    std::optional<std::string> node;
    Check(WaitFor([&] { return (node = TouchEventNode()).has_value(); }, 10s),
          "the kernel's multitouch driver made an event node for the touch screen");
    if (!node)
        return;
    RunToEnd({"udevadm", "settle", "--timeout=20"}, 30s);
    std::string properties;
    RunToEnd({"udevadm", "info", "--query=property", "--name=" + *node}, 10s, &properties);
    Check(Contains(properties, "ID_INPUT_TOUCHSCREEN=1"), "udev classifies it as a touch screen");
}

// Received frames from index `from` on, as the controller got them.
std::vector<std::vector<std::uint8_t>> ReceivedSince(PeerProcess& peer, int from) {
    const int count = std::stoi(peer.Command("received").substr(9));
    std::vector<std::vector<std::uint8_t>> frames;
    for (int i = from; i < count; ++i) {
        frames.push_back(ParseHex(peer.Command("report " + std::to_string(i)))
                             .value_or(std::vector<std::uint8_t>{}));
    }
    return frames;
}

int ReceivedCount(PeerProcess& peer) {
    return std::stoi(peer.Command("received").substr(9));
}

int GesturesDone(PeerProcess& peer) {
    return std::stoi(peer.Command("gestures").substr(9));
}

// A calibration of `count` targets on a WIDTH x HEIGHT monitor, as the tool must send it.
std::vector<std::vector<std::uint8_t>> ExpectedFrames(int count) {
    TargetTable table;
    std::vector<std::vector<std::uint8_t>> frames;
    if (LayoutTargets(count, WIDTH, HEIGHT, table) != LayoutResult::Ok)
        return frames;
    const CalibrationFrame setup = BuildSetupFrame(WIDTH, HEIGHT, count);
    frames.emplace_back(setup.begin(), setup.end());
    for (int k = 0; k < count; ++k) {
        const CalibrationFrame point =
            BuildPointFrame(static_cast<std::uint32_t>(k), table.x[k], table.y[k], count);
        frames.emplace_back(point.begin(), point.end());
    }
    return frames;
}

// The frames a report holds: hidraw passes the whole 64-byte report, the tool's frame first.
std::vector<std::vector<std::uint8_t>> Trimmed(std::vector<std::vector<std::uint8_t>> frames,
                                               std::size_t length) {
    for (auto& frame : frames)
        frame.resize(std::min(frame.size(), length));
    return frames;
}

std::vector<std::string> AppCommand(const std::string& app, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), app);
    arguments.push_back("--verbose");
    return arguments;
}

void ShowStderrOnFailure(bool ok, const ChildProcess& child) {
    if (!ok)
        std::printf("    the application's stderr:\n%s\n", child.errors().c_str());
}

struct FingerCase {
    const char* style;
    bool accepted;  // whether a target touched in this style counts
};

// A calibration of `count` targets, each touched by the robot finger in `finger.style`
// (a refused style only on target 2: the rest of the run needs an accepted touch).
void Calibrate(PeerProcess& peer, const std::string& app, const Display& display, int count,
               const FingerCase& finger) {
    const std::string what =
        display.name + ", " + std::to_string(count) + " targets, " + finger.style + " finger";
    const int before = ReceivedCount(peer);
    peer.Ok(std::string("robot ") + finger.style + (finger.accepted ? " 1" : " 2"));
    ChildProcess child(AppCommand(app, {"--calibrate", std::to_string(count)}),
                       display.environment);
    if (!finger.accepted) {
        // The set-up frame and the announcements of targets 1 and 2: target 1 was accepted.
        const bool second = WaitFor([&] { return ReceivedCount(peer) >= before + 3; }, 90s);
        Check(second, what + ": target 1 accepted");
        const int gestures = GesturesDone(peer);
        WaitFor([&] { return GesturesDone(peer) > gestures; }, 10s);
        std::this_thread::sleep_for(3s);  // time for a wrongly accepted touch to show
        Check(ReceivedCount(peer) == before + 3, what + ": the touch on target 2 is refused");
        peer.Ok("robot still");
        peer.Ok("again");
    }
    // The verdict's message box waits for its OK: Return on the keyboard, once every frame is in.
    Check(WaitFor([&] { return ReceivedCount(peer) >= before + count + 1; }, APP_TIMEOUT),
          what + ": every target accepted");
    std::optional<int> code;
    for (int n = 0; n < 30 && !(code = child.Wait(2s)); ++n)
        peer.Ok("key 28");  // Return
    Check(code == 0, what + ": the calibration succeeds (exit code " +
                         (code ? std::to_string(*code) : std::string("none")) + ")");
    ShowStderrOnFailure(code == 0, child);
    const auto expected = ExpectedFrames(count);
    Check(Trimmed(ReceivedSince(peer, before), FRAME_SIZE) == Trimmed(expected, FRAME_SIZE),
          what + ": the set-up and point frames, byte for byte");
    peer.Ok("robot off");
}

struct ButtonPlace {
    std::string name;
    int x, y, width, height;
};

// How the robot reaches a pixel of the checked monitor: a glass `glassWidth` pixels wide is
// mapped onto it; before a mis-mapping is mended the robot aims where the touch will land.
struct Aim {
    int glassWidth = WIDTH;
    int glassHeight = HEIGHT;
};

struct CheckRun {
    std::optional<int> exitCode;
    Json report;
    int measurements = 0;  // how many times the check points were shown from the first
};

// Runs a check; touches each check point on the glass as the log shows it and then, on the
// picture, touches the button `press` names, aimed by `aimButton`.
CheckRun RunCheck(PeerProcess& peer, const std::string& app, const Display& display,
                  const std::vector<std::string>& arguments,
                  const std::function<std::string(int measurement)>& press,
                  const std::function<Aim(int measurement)>& aimButton) {
    std::vector<std::string> command = {"--check", "--report", "-"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ChildProcess child(AppCommand(app, command), display.environment);
    static const std::regex POINT(R"(check point (\d+) of (\d+) shown at (\d+), (\d+))");
    static const std::regex BUTTON(
        R"(check picture button ([a-z-]+) at (\d+), (\d+), (\d+) x (\d+))");
    CheckRun run;
    std::vector<ButtonPlace> buttons;
    const auto deadline = Clock::now() + APP_TIMEOUT;
    while (const std::optional<std::string> line = child.NextErrorLine(deadline)) {
        std::smatch match;
        if (std::regex_search(*line, match, POINT)) {
            if (match[1] == "1") {
                ++run.measurements;
                buttons.clear();
            }
            const Aim aim;
            std::this_thread::sleep_for(300ms);  // the cross is painted: let it reach the screen
            peer.Ok("touch " + match[3].str() + " " + match[4].str() + " " +
                    std::to_string(aim.glassWidth) + " " + std::to_string(aim.glassHeight));
        } else if (std::regex_search(*line, match, BUTTON)) {
            buttons.push_back({match[1], std::stoi(match[2]), std::stoi(match[3]),
                               std::stoi(match[4]), std::stoi(match[5])});
            const std::string wanted = press(run.measurements);
            if (buttons.back().name != wanted)
                continue;
            const ButtonPlace& b = buttons.back();
            const Aim aim = aimButton(run.measurements);
            std::this_thread::sleep_for(300ms);
            peer.Ok("touch " + std::to_string(b.x + b.width / 2) + " " +
                    std::to_string(b.y + b.height / 2) + " " + std::to_string(aim.glassWidth) +
                    " " + std::to_string(aim.glassHeight));
        }
    }
    run.exitCode = child.Wait(10s);
    run.report = Json::parse(child.output(), nullptr, false);
    if (run.report.is_discarded() || !run.exitCode)
        std::printf("    the check's stderr:\n%s\n", child.errors().c_str());
    return run;
}

std::string DoneAlways(int) {
    return "done";
}
Aim GlassOnTheMonitor(int) {
    return {};
}

double LargestError(const Json& report) {
    double largest = -1;
    if (report.is_object() && report["check"].is_object())
        for (const Json& point : report["check"]["points"])
            largest = std::max(largest, point.value("error_px", 1e9));
    return largest;
}

std::string ResultOf(const Json& report) {
    return report.is_object() && report["check"].is_object()
               ? report["check"].value("result", std::string())
               : std::string();
}

// Before calibrating, the touches carry the screen's distortion (3 % too large, 25 px off,
// turned by 1 degree): the check fails, and its fit of touches to targets gives the size.
void CheckFindsTheDistortion(PeerProcess& peer, const std::string& app, const Display& display) {
    const CheckRun run = RunCheck(peer, app, display, {}, DoneAlways, GlassOnTheMonitor);
    Check(run.exitCode == EXIT_CHECK_FAILED, display.name + ": the check before calibrating fails");
    const Json& map = run.report.is_object() ? run.report["diagnosis"]["affine_map"] : Json();
    const bool fitted = map.is_object();
    Check(fitted && std::abs(map.value("a", 0.0) - 1.03) < 0.01 &&
              std::abs(map.value("e", 0.0) - 1.03) < 0.01,
          display.name + ": the check's fit finds the 3 % scale error");
    // The offset of 800 digitizer units: 25 px across, 18.75 px down, plus what the scale
    // and the rotation add at the middle (nothing: they turn about it).
    const double middleX = fitted ? map.value("a", 0.0) * 511.5 + map.value("b", 0.0) * 383.5 +
                                        map.value("c", 0.0) - 511.5
                                  : 0;
    const double middleY = fitted ? map.value("d", 0.0) * 511.5 + map.value("e", 0.0) * 383.5 +
                                        map.value("f", 0.0) - 383.5
                                  : 0;
    Check(std::abs(middleX - 25) < 2 && std::abs(middleY - 18.75) < 2,
          display.name + ": and the offset at the middle (" + std::to_string(middleX) + ", " +
              std::to_string(middleY) + " px)");
}

void CheckPassesWithinAPixel(PeerProcess& peer, const std::string& app, const Display& display) {
    const CheckRun run = RunCheck(peer, app, display, {}, DoneAlways, GlassOnTheMonitor);
    Check(run.exitCode == 0 && ResultOf(run.report) == "pass",
          display.name + ": the check after calibrating passes");
    const double largest = LargestError(run.report);
    Check(largest >= 0 && largest <= 1.0,
          display.name + ": every error within 1 px (largest " + std::to_string(largest) + ")");
}

// Two monitors side by side, the glass on the left one, and the X server mapping the touch
// screen over both (libinput's default): the check names the mis-mapping, "Map to this
// monitor" mends it, and the check that follows in the same window passes.
void TwoMonitorsMapped(PeerProcess& peer, const std::string& app, const Display& display) {
    const bool added =
        RunToEnd({"xrandr", "--addmode", "DUMMY1", "1024x768"}, 20s, nullptr,
                 display.environment) == 0 &&
        RunToEnd({"xrandr", "--output", "DUMMY1", "--mode", "1024x768", "--right-of", "DUMMY0"},
                 20s, nullptr, display.environment) == 0;
    Check(added, "xorg: a second monitor right of the first");
    if (!added)
        return;
    std::this_thread::sleep_for(1s);
    const auto press = [](int measurement) {
        return measurement == 1 ? std::string("map-here") : std::string("done");
    };
    // Mapped over both, a glass pixel lands twice as far across: until the mapping is mended
    // the robot aims at the desktop to reach a button, as a technician watching the trail
    // would.
    const auto aim = [](int measurement) {
        return measurement == 1 ? Aim{2 * WIDTH, HEIGHT} : Aim{};
    };
    const CheckRun run = RunCheck(peer, app, display, {"--screen", "DUMMY0"}, press, aim);
    Check(run.measurements == 2, "xorg, two monitors: the check ran again after mapping");
    Check(run.exitCode == 0 && ResultOf(run.report) == "pass",
          "xorg, two monitors: the check after \"Map to this monitor\" passes");
}

std::unique_ptr<ChildProcess> StartXorg(const std::string& config, Display& display) {
    const auto started = Clock::now();
    auto server = std::make_unique<ChildProcess>(std::vector<std::string>{
        "/usr/lib/xorg/Xorg", ":1", "-config", config, "-noreset", "-nolisten", "tcp", "-s", "0",
        "-dpms", "-novtswitch", "-sharevts", "vt1", "-logfile", "/tmp/Xorg.1.log"});
    display = {"xorg", {"DISPLAY=:1", "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=/run/user/0"}};
    // libinput's Xorg driver adds the touch screen through udev hot-plug once the server runs.
    std::string devices;
    const bool up = WaitFor(
        [&] {
            return RunToEnd({"xinput", "list", "--long", DEVICE_NAME}, 20s, &devices,
                            display.environment) == 0;
        },
        60s, 1s);
    std::printf(
        "  xorg: %s after %lld s\n", up ? "up" : "not up",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started).count()));
    Check(up, "xorg: the touch screen is an X input device");
    if (!up)
        std::printf("%s\n", ReadFile("/tmp/Xorg.1.log").c_str());
    // XI 2.2 touch class in direct mode: touches reach Qt as touch events, not a pointer.
    Check(Contains(devices, "XITouchClass") && Contains(devices, "Touch mode: direct"),
          "xorg: it has a direct touch class");
    return server;
}

std::unique_ptr<ChildProcess> StartWeston(Display& display) {
    display = {
        "weston",
        {"XDG_RUNTIME_DIR=/run/user/0", "WAYLAND_DISPLAY=wayland-1", "QT_QPA_PLATFORM=wayland"}};
    auto server = std::make_unique<ChildProcess>(
        std::vector<std::string>{"weston", "--backend=drm-backend.so", "--use-pixman", "--tty=2",
                                 "--idle-time=0", "--socket=wayland-1"},
        std::vector<std::string>{"XDG_RUNTIME_DIR=/run/user/0"});
    struct stat info {};
    const bool up = WaitFor([&] { return ::stat("/run/user/0/wayland-1", &info) == 0; }, 30s);
    Check(up, "weston: up on the KMS device");
    if (!up)
        std::printf("%s\n", server->errors().c_str());
    std::this_thread::sleep_for(1s);  // its input devices are added just after the socket
    return server;
}

int RunAll(const std::string& peerProgram, const std::string& app, const std::string& xorgConf) {
    ::mkdir("/run/user", 0755);
    ::mkdir("/run/user/0", 0700);
    PeerProcess peer(peerProgram);
    Check(peer.Ok("create touchscreen"), "a touch screen with its controller on /dev/uhid");
    Check(peer.Ok("create keyboard"), "a keyboard, for the verdict's message box");
    Check(peer.Ok("model on"), "the screen needs calibrating");
    TouchScreenClassified();

    Display display;
    {
        std::printf("xorg:\n");
        auto server = StartXorg(xorgConf, display);
        CheckFindsTheDistortion(peer, app, display);
        Calibrate(peer, app, display, 9, {"still", true});
        CheckPassesWithinAPixel(peer, app, display);
        static constexpr FingerCase FINGERS[] = {
            {"still", true}, {"repeating", true}, {"jittering", true},
            {"tap", false},  {"slide", false},
        };
        for (const FingerCase& finger : FINGERS)
            Calibrate(peer, app, display, 4, finger);
        TwoMonitorsMapped(peer, app, display);
    }
    {
        std::printf("weston:\n");
        auto server = StartWeston(display);
        Check(peer.Ok("model off") && peer.Ok("model on"), "weston: the screen needs calibrating");
        CheckFindsTheDistortion(peer, app, display);
        Calibrate(peer, app, display, 4, {"still", true});
        CheckPassesWithinAPixel(peer, app, display);
    }
    std::printf("touch road: %d failed\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace norvessa::kernel

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PEER NORVESSA XORG_CONF\n", argv[0]);
        return 2;
    }
    try {
        return norvessa::kernel::RunAll(argv[1], argv[2], argv[3]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "touch road: %s\n", error.what());
        return 2;
    }
}
