// The device side of the kernel tests: plugs virtual HID devices in and out through
// /dev/uhid on command and serves the controller with the simulated controller.
//
// Commands, one per line on stdin; every command is answered with one line on stdout
// ("ok", "error ...", or the answer given below):
//   create KIND | destroy KIND       KIND: controller, keyboard, otherid, wide, touchcontroller
//   reset ANSWER [DELAY_MS]          ANSWER: success, failure, silent, or hex bytes
//   calibrate ANSWER [DELAY_MS]
//   early N                          verdict right after point frame N (0: off)
//   noise HEX                        a no-verdict report sent before the calibration verdict
//   queue HEX                        a report put in the input queue now
//   finger down | finger up          (a touch-down also starts a burst while a stream runs)
//   stream BURST INTERVAL_MS | stream off
//                                    touch reports (ID 0x01) of the touch controller's digitizer
//   touches                          "touches N": touch reports made so far
//   received                         "received N"
//   report I                         hex bytes of received report I
//   wait N TIMEOUT_MS                "ok" once N reports were received, else "timeout"
//   model on | model off             the touch screen needs calibrating: its controller reports
//                                    distorted positions until it has calibrated itself
//   robot STYLE [FROM] | robot off   the robot finger touches each target a point frame
//                                    announces, in STYLE from target FROM on (still before it);
//                                    STYLE: still, repeating, jittering, tap, slide
//   again                            touches the current target once more, in the robot's style
//   touch X Y [W H]                  a still touch on pixel (X, Y) of the W x H screen the glass
//                                    is mapped onto (the last set-up frame's screen by default)
//   gestures                         "gestures N": touches the robot has finished
//   key USAGE                        a press and release of the keyboard's key USAGE (hex)
//   quit

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "hex_text.h"
#include "hid_test_descriptors.h"
#include "protocol/frames.h"
#include "robot_finger.h"
#include "simulated_controller.h"
#include "uhid_device.h"

namespace norvessa::kernel {
namespace {

using sim::Clock;
using namespace std::chrono_literals;

// The calibration window repaints after a point frame; under emulation that takes a while.
constexpr auto SETTLE = 700ms;
// A resting touch that brought no next point frame (the window was not up yet) is repeated.
constexpr auto RETRY = 4s;

ReplyFrame ToReply(const std::vector<std::uint8_t>& bytes) {
    ReplyFrame reply{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), reply.size()), reply.begin());
    return reply;
}

// Parses "success|failure|silent|HEX... [delay]" into an answer, a custom reply and a delay.
bool ParseAnswer(std::istringstream& in, sim::Answer& answer, ReplyFrame& custom,
                 sim::Milliseconds& delay) {
    std::string word;
    in >> word;
    std::string rest;
    std::getline(in, rest);
    delay = sim::Milliseconds(0);
    if (word == "success" || word == "failure" || word == "silent") {
        answer = word == "success"   ? sim::Answer::Success
                 : word == "failure" ? sim::Answer::Failure
                                     : sim::Answer::Silent;
        if (!rest.empty())
            delay = sim::Milliseconds(std::stol(rest));
        return true;
    }
    const auto bytes = ParseHex(word + rest);
    if (!bytes || bytes->empty())
        return false;
    answer = sim::Answer::Custom;
    custom = ToReply(*bytes);
    return true;
}

class Peer {
  public:
    int Run() {
        bool running = true;
        while (running) {
            if (const auto line = NextLine()) {
                running = Execute(*line);
                std::cout.flush();
                continue;
            }
            if (WaitForInput() && !ReadInput())
                break;  // stdin closed
        }
        devices_.clear();
        return 0;
    }

  private:
    std::optional<std::string> NextLine() {
        const auto end = input_.find('\n');
        if (end == std::string::npos)
            return std::nullopt;
        std::string line = input_.substr(0, end);
        input_.erase(0, end + 1);
        return line;
    }

    bool ReadInput() {
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        input_.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

    // Serves the devices until a command line is ready on stdin.
    bool WaitForInput(int budgetMs = 1000) {
        std::vector<pollfd> fds{{STDIN_FILENO, POLLIN, 0}};
        for (const auto& [kind, device] : devices_)
            fds.push_back({device->fd(), POLLIN, 0});
        ::poll(fds.data(), fds.size(), TimeoutUntilDue(budgetMs));
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents & POLLIN)
                ServeDevice(fds[i].fd);
        }
        SendDueReports();
        RunRobot();
        return fds[0].revents & (POLLIN | POLLHUP);
    }

    int TimeoutUntilDue(int budgetMs) const {
        std::optional<Clock::time_point> due = sim_.NextDueTime();
        if (const auto robot = RobotDueTime(); robot && (!due || *robot < *due))
            due = robot;
        if (!due)
            return budgetMs;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, budgetMs));
    }

    void ServeDevice(int fd) {
        for (auto& [kind, device] : devices_) {
            if (device->fd() != fd)
                continue;
            const auto report = device->ReadEvent();
            if (report && ServesController(kind)) {
                sim_.OnOutputReport(report->bytes, Clock::now());
                OnFrameSeen(report->bytes);
            }
        }
    }

    // Replies go to whichever device holds the controller's collection; touch reports only to
    // the touch controller, at the length its digitizer declares.
    void SendDueReports() {
        while (const auto report = sim_.TakeDueReport(Clock::now())) {
            for (auto& [kind, device] : devices_) {
                if (!ServesController(kind))
                    continue;
                if (report->front() == CONTROLLER_REPORT_ID) {
                    device->SendInput(*report);
                } else if (kind == DeviceKind::TouchController) {
                    device->SendInput(std::span(*report).first(support::TOUCH_INPUT_REPORT_LENGTH));
                }
            }
        }
    }

    bool Execute(const std::string& line) {
        std::istringstream in(line);
        std::string command;
        in >> command;
        if (command == "quit") {
            std::cout << "ok\n";
            return false;
        }
        std::cout << Answer(command, in) << "\n";
        return true;
    }

    std::string Answer(const std::string& command, std::istringstream& in) {
        std::string word;
        if (command == "create" || command == "destroy") {
            in >> word;
            const auto kind = ParseDeviceKind(word);
            if (!kind)
                return "error unknown device " + word;
            if (command == "destroy") {
                devices_.erase(*kind);
                return "ok";
            }
            auto device = UhidDevice::Create(*kind);
            if (!device)
                return "error /dev/uhid refused " + word;
            devices_[*kind] = std::move(device);
            return "ok";
        }
        if (command == "reset" || command == "calibrate")
            return Script(command, in);
        if (command == "early") {
            int number = 0;
            in >> number;
            calibration_.earlyVerdictAtPoint = number;
            sim_.SetCalibrationScript(calibration_);
            return "ok";
        }
        if (command == "noise" || command == "queue") {
            std::string rest;
            std::getline(in, rest);
            const auto bytes = ParseHex(rest);
            if (!bytes)
                return "error bad hex";
            if (command == "queue") {
                sim_.QueueReport(ToReply(*bytes), Clock::now());
            } else {
                calibration_.reportsBeforeVerdict.push_back(ToReply(*bytes));
                sim_.SetCalibrationScript(calibration_);
            }
            return "ok";
        }
        if (command == "finger") {
            in >> word;
            word == "down" ? sim_.FingerDown(Clock::now()) : sim_.FingerUp(Clock::now());
            return "ok";
        }
        if (command == "stream")
            return Stream(in);
        if (command == "touches")
            return "touches " + std::to_string(sim_.touchReportsMade());
        if (command == "received")
            return "received " + std::to_string(sim_.received().size());
        if (command == "report") {
            std::size_t index = 0;
            in >> index;
            if (index >= sim_.received().size())
                return "error no report";
            return ToHex(sim_.received()[index]);
        }
        if (command == "wait")
            return Wait(in);
        if (command == "model") {
            in >> word;
            SetModel(word == "on");
            return "ok";
        }
        if (command == "robot")
            return Robot(in);
        if (command == "again")
            return Again();
        if (command == "touch")
            return TouchAt(in);
        if (command == "key")
            return Key(in);
        if (command == "gestures")
            return "gestures " + std::to_string(gesturesDone_);
        return "error unknown command " + command;
    }

    std::string Script(const std::string& command, std::istringstream& in) {
        sim::Answer answer{};
        ReplyFrame custom{};
        sim::Milliseconds delay{};
        if (!ParseAnswer(in, answer, custom, delay))
            return "error bad answer";
        if (command == "reset") {
            sim_.SetResetScript(sim::ResetScript{answer, custom, delay});
        } else {
            calibration_.answer = answer;
            calibration_.customReply = custom;
            calibration_.delay = delay;
            sim_.SetCalibrationScript(calibration_);
        }
        return "ok";
    }

    std::string Stream(std::istringstream& in) {
        std::string word;
        in >> word;
        if (word == "off") {
            sim_.StopTouchStream();
            return "ok";
        }
        long interval = -1;
        in >> interval;
        if (word.empty() || interval < 0)
            return "error stream BURST INTERVAL_MS";
        sim_.StartTouchStream(sim::TouchStream{.reportId = 0x01,
                                               .interval = sim::Milliseconds(interval),
                                               .burst = std::stoul(word)},
                              Clock::now());
        return "ok";
    }

    std::string Wait(std::istringstream& in) {
        std::size_t count = 0;
        long timeoutMs = 0;
        in >> count >> timeoutMs;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (sim_.received().size() < count && Clock::now() < deadline) {
            WaitForDevicesOnly(deadline);
        }
        return sim_.received().size() >= count ? "ok" : "timeout";
    }

    void WaitForDevicesOnly(Clock::time_point deadline) {
        std::vector<pollfd> fds;
        for (const auto& [kind, device] : devices_)
            fds.push_back({device->fd(), POLLIN, 0});
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        ::poll(fds.data(), fds.size(),
               TimeoutUntilDue(static_cast<int>(std::max<long long>(left.count(), 0))));
        for (const pollfd& fd : fds) {
            if (fd.revents & POLLIN)
                ServeDevice(fd.fd);
        }
        SendDueReports();
        RunRobot();
    }

    // The robot finger.

    void OnFrameSeen(const std::vector<std::uint8_t>& frame) {
        if (frame.size() <= FRAME_COUNT_OFFSET || frame[0] != FRAME_MAGIC[0] ||
            frame[1] != FRAME_MAGIC[1])
            return;
        const int command = frame[FRAME_COMMAND_OFFSET];
        const auto& progress = sim_.progress();
        if (command == CMD_SETUP || command == CMD_RESET || progress.screenWidth <= 0 ||
            progress.screenHeight <= 0) {
            return;
        }
        // A point frame announces the target about to be touched.
        const auto le16 = [&](std::size_t at) { return frame[at] | (frame[at + 1] << 8); };
        target_ = Target{command,
                         sim::GlassAtPixel(le16(FRAME_X_OFFSET), le16(FRAME_Y_OFFSET),
                                           progress.screenWidth, progress.screenHeight),
                         UnitsPerPixel(progress.screenWidth)};
        retryAt_.reset();
        if (robot_)
            StartTouch(StyleFor(command), target_->glass, target_->unitsPerPixel, SETTLE);
    }

    static double UnitsPerPixel(int width) { return sim::DIGITIZER_RANGE / width; }

    FingerStyle StyleFor(int targetNumber) const {
        return targetNumber >= robot_->from ? robot_->style : FingerStyle::Still;
    }

    // A robot's resting touch on a target is repeated until the next point frame comes.
    void StartTouch(FingerStyle style, GlassPoint glass, double unitsPerPixel,
                    std::chrono::milliseconds after, bool retries = true) {
        touch_ = Touch{Clock::now() + after, TouchSteps(style, glass, unitsPerPixel), 0,
                       retries && Rests(style)};
    }

    std::optional<Clock::time_point> RobotDueTime() const {
        if (touch_)
            return touch_->start + touch_->steps[touch_->next].at;
        return retryAt_;
    }

    void RunRobot() {
        const auto now = Clock::now();
        while (touch_ && touch_->start + touch_->steps[touch_->next].at <= now) {
            const FingerStep& step = touch_->steps[touch_->next];
            SendTouchReport(step);
            if (!step.touching) {
                ++gesturesDone_;
                const bool retry =
                    touch_->retries && robot_ && target_ && !sim_.progress().verdictSent;
                touch_.reset();
                if (retry)
                    retryAt_ = now + RETRY;
                break;
            }
            ++touch_->next;
        }
        if (!touch_ && retryAt_ && *retryAt_ <= now) {
            retryAt_.reset();
            if (robot_ && target_ && !sim_.progress().verdictSent)
                StartTouch(StyleFor(target_->number), target_->glass, target_->unitsPerPixel, 0ms);
        }
    }

    // One multitouch report of the touch screen.
    void SendTouchReport(const FingerStep& step) {
        const auto found = devices_.find(DeviceKind::TouchScreen);
        const auto now = Clock::now();
        // Where the controller reports the finger: distorted until the screen is calibrated,
        // when it needs calibrating.
        const sim::DigitizerPoint at = sim_.ReportedPosition(step.position);
        const std::uint8_t down = step.touching ? 0x03 : 0x00;  // tip switch, in range
        const std::uint8_t report[support::MT_INPUT_REPORT_LENGTH] = {
            support::MT_INPUT_REPORT_ID,
            down,
            0,  // contact identifier
            static_cast<std::uint8_t>(at.x & 0xFF),
            static_cast<std::uint8_t>(at.x >> 8),
            static_cast<std::uint8_t>(at.y & 0xFF),
            static_cast<std::uint8_t>(at.y >> 8),
            1};  // contact count
        if (found != devices_.end())
            found->second->SendInput(report);
        const bool first = touch_ && touch_->next == 0;
        if (first)
            sim_.FingerDownAt(step.position, now);
        else if (!step.touching)
            sim_.FingerUpAt(step.position, now);
    }

    std::string Robot(std::istringstream& in) {
        std::string word;
        int from = 1;
        in >> word >> from;
        if (word == "off") {
            robot_.reset();
            retryAt_.reset();
            return "ok";
        }
        const auto style = ParseFingerStyle(word);
        if (!style)
            return "error unknown finger style " + word;
        robot_ = RobotSettings{*style, from};
        return "ok";
    }

    std::string Again() {
        if (!robot_ || !target_)
            return "error no target to touch";
        StartTouch(StyleFor(target_->number), target_->glass, target_->unitsPerPixel, 0ms);
        return "ok";
    }

    // The boot keyboard's report: modifiers, a reserved byte, then up to six keys held.
    std::string Key(std::istringstream& in) {
        std::string word;
        in >> word;
        const auto usage = ParseHex(word);
        const auto found = devices_.find(DeviceKind::Keyboard);
        if (!usage || usage->size() != 1 || found == devices_.end())
            return "error key USAGE needs a keyboard";
        std::uint8_t report[8] = {0, 0, usage->front(), 0, 0, 0, 0, 0};
        found->second->SendInput(report);
        ::usleep(30000);
        report[2] = 0;
        found->second->SendInput(report);
        return "ok";
    }

    std::string TouchAt(std::istringstream& in) {
        int x = -1, y = -1;
        int width = sim_.progress().screenWidth, height = sim_.progress().screenHeight;
        in >> x >> y;
        if (!(in >> width >> height)) {
            width = sim_.progress().screenWidth;
            height = sim_.progress().screenHeight;
        }
        if (x < 0 || y < 0 || width <= 0 || height <= 0)
            return "error touch X Y [W H]";
        StartTouch(FingerStyle::Still, sim::GlassAtPixel(x, y, width, height), UnitsPerPixel(width),
                   0ms, false);
        return "ok";
    }

    // The screen model of the simulated controller, seen from here.
    void SetModel(bool on) {
        sim_.SetScreenModel(on ? std::optional(sim::ScreenModel(sim::DefaultDistortion()))
                               : std::nullopt);
    }

    struct RobotSettings {
        FingerStyle style;
        int from;
    };
    struct Target {
        int number;
        GlassPoint glass;
        double unitsPerPixel;
    };
    struct Touch {
        Clock::time_point start;
        std::vector<FingerStep> steps;
        std::size_t next;
        bool retries;
    };

    std::optional<RobotSettings> robot_;
    std::optional<Target> target_;
    std::optional<Touch> touch_;
    std::optional<Clock::time_point> retryAt_;
    std::size_t gesturesDone_ = 0;
    std::string input_;
    sim::SimulatedController sim_;
    sim::CalibrationScript calibration_;
    std::map<DeviceKind, std::unique_ptr<UhidDevice>> devices_;
};

}  // namespace
}  // namespace norvessa::kernel

int main() {
    std::ios::sync_with_stdio(false);
    try {
        return norvessa::kernel::Peer().Run();
    } catch (const std::exception& error) {
        std::cerr << "uhid peer: " << error.what() << "\n";
        return 2;
    }
}
