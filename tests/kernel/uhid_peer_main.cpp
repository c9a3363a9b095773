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
#include "simulated_controller.h"
#include "uhid_device.h"

namespace norvessa::kernel {
namespace {

using sim::Clock;

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
        int timeout = budgetMs;
        if (const auto due = sim_.NextDueTime()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now()).count();
            timeout = static_cast<int>(std::clamp<long long>(left, 0, budgetMs));
        }
        ::poll(fds.data(), fds.size(), timeout);
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents & POLLIN)
                ServeDevice(fds[i].fd);
        }
        SendDueReports();
        return fds[0].revents & (POLLIN | POLLHUP);
    }

    void ServeDevice(int fd) {
        for (auto& [kind, device] : devices_) {
            if (device->fd() != fd)
                continue;
            const auto report = device->ReadEvent();
            if (report && ServesController(kind)) {
                sim_.OnOutputReport(report->bytes, Clock::now());
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
        ::poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(left.count(), 0)));
        for (const pollfd& fd : fds) {
            if (fd.revents & POLLIN)
                ServeDevice(fd.fd);
        }
        SendDueReports();
    }

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
