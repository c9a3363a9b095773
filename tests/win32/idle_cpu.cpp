// Measures how much CPU the calibration window uses while it waits for a touch. The main dialog
// runs in this process with the simulated controller current (as in the demo), a 9-point
// calibration is opened, and the process's own CPU times are read over a few seconds of
// waiting (Wine reports no CPU times for other processes). Prints the share of one core; fails
// only above a generous bound, since the window should not be busy at all: it paints only when
// the cross moves or the window is uncovered.
// Usage: norvessa_idle_cpu [--seconds=N] [--limit=PERCENT]

#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "calibration_session.h"
#include "resource.h"
#include "window_queries.h"

namespace norvessa::test {

namespace {

struct Options {
    int seconds = 5;
    double limitPercent = 20.0;
};

// User plus kernel time of this process, in 100-nanosecond units.
ULONGLONG OwnCpuTime() {
    FILETIME creation{}, exit{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    const auto value = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return value(kernel) + value(user);
}

bool ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with("--seconds=")) {
            options.seconds = std::stoi(std::string(argument.substr(10)));
        } else if (argument.starts_with("--limit=")) {
            options.limitPercent = std::stod(std::string(argument.substr(8)));
        } else {
            return false;
        }
    }
    return options.seconds > 0;
}

int Measure(const Options& options) {
    CalibrationSession session;
    double percent = -1.0;
    session.Run([&](Driver& driver) {
        driver.PressButton(IDC_CALIBRATE_9);
        HWND window = driver.WaitForCalibrationWindow();
        if (window == nullptr) {
            return;
        }
        // Let the window finish showing and painting before the quiet time is measured.
        Sleep(1000);
        const ULONGLONG before = OwnCpuTime();
        const ULONGLONG start = GetTickCount64();
        Sleep(static_cast<DWORD>(options.seconds) * 1000);
        const ULONGLONG cpu = OwnCpuTime() - before;
        const ULONGLONG elapsedMs = GetTickCount64() - start;
        driver.Check(IsWindowVisible(window) != FALSE, "the calibration window went away");

        const double cpuMs = static_cast<double>(cpu) / 10000.0;
        percent = 100.0 * cpuMs / static_cast<double>(elapsedMs);
        std::printf(
            "Windows calibration window, waiting for %.1f s: %.0f ms of CPU, %.1f%% of "
            "one core\n",
            static_cast<double>(elapsedMs) / 1000.0, cpuMs, percent);
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
        driver.WaitForWindowGone(window);
    });
    for (const std::string& failure : session.failures()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
    }
    if (percent < 0.0 || !session.failures().empty()) {
        return 1;
    }
    if (percent >= options.limitPercent) {
        std::fprintf(stderr, "%.0f%% or more: the window does not wait quietly\n",
                     options.limitPercent);
        return 1;
    }
    return 0;
}

}  // namespace

}  // namespace norvessa::test

int main(int argc, char** argv) {
    norvessa::test::Options options;
    if (!norvessa::test::ParseArguments(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--seconds=N] [--limit=PERCENT]\n", argv[0]);
        return 2;
    }
    if (!norvessa::automation::DisplayAvailable()) {
        std::puts("No display to show windows on (DISPLAY unset?): measurement skipped.");
        return norvessa::automation::SKIPPED_EXIT_CODE;
    }
    return norvessa::test::Measure(options);
}
