// UI-automation driver: starts the application, and checks its windows from outside.
// Usage: norvessa_ui_driver --app=PATH --lang=en|zh [--demo|--controller] [--two-monitors]
//                           [GoogleTest flags]
//   --demo: the application is norvessa-demo, whose simulated controller enables every button.
//   --controller: a controller is present, so the application enables every button.
//   --two-monitors: the display offers two monitors side by side (tests/win32/two-monitors.sh);
//     the status line's monitor note is expected (filter out the checks that expect one).
//   --start-patience=S: wait S seconds for the main dialog to appear (default 20).

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driver_options.h"
#include "window_queries.h"

namespace norvessa::automation {

namespace {

DriverOptions g_options;

std::wstring Widen(std::string_view text) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

bool ParseArguments(int argc, char** argv) {
    bool haveLanguage = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with("--app=")) {
            g_options.application = Widen(argument.substr(6));
        } else if (argument == "--lang=en" || argument == "--lang=zh") {
            g_options.language = argument.ends_with("zh") ? Language::Chinese : Language::English;
            haveLanguage = true;
        } else if (argument == "--demo") {
            g_options.demo = true;
        } else if (argument == "--controller") {
            g_options.controller = true;
        } else if (argument == "--two-monitors") {
            g_options.twoMonitors = true;
        } else if (argument.starts_with("--start-patience=")) {
            g_options.startPatience =
                std::chrono::seconds(std::atoi(std::string(argument.substr(17)).c_str()));
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return false;
        }
    }
    return haveLanguage && !g_options.application.empty();
}

}  // namespace

const DriverOptions& Options() {
    return g_options;
}

}  // namespace norvessa::automation

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!norvessa::automation::ParseArguments(argc, argv)) {
        std::fprintf(stderr,
                     "usage: %s --app=PATH --lang=en|zh [--demo|--controller] [--two-monitors] "
                     "[--start-patience=S] [GoogleTest flags]\n",
                     argv[0]);
        return 2;
    }
    if (!norvessa::automation::DisplayAvailable()) {
        std::puts("No display to show windows on (DISPLAY unset?): UI checks skipped.");
        return norvessa::automation::SKIPPED_EXIT_CODE;
    }
    return RUN_ALL_TESTS();
}
