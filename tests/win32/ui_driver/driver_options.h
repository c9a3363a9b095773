#pragma once
// What the driver was asked to check: which executable, in which interface language.

#include <chrono>
#include <string>

namespace norvessa::automation {

enum class Language { English, Chinese };

struct DriverOptions {
    std::wstring application;
    Language language = Language::English;
    // The application is the demo, with the simulated controller current.
    bool demo = false;
    // The plain application with a controller present (the kernel tier's guest): every button
    // enabled, the plain caption.
    bool controller = false;
    // The display offers two monitors side by side (tests/win32/two-monitors.sh), so the
    // status line names the monitor a calibration covers.
    bool twoMonitors = false;
    // How long the main dialog may take to appear (longer under emulation).
    std::chrono::milliseconds startPatience{std::chrono::seconds(20)};
};

const DriverOptions& Options();

}  // namespace norvessa::automation
