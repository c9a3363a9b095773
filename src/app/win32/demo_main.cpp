// Norvessa with the simulated controller in place of a real one: the same application, whose
// controller is served behind a named pipe and told of every touch-down and lift-off as a real
// controller would feel them. Answers every calibration and reset with success. It reads the
// application's command line (--screen, --calibrate N, ...); --list and --reset still look at
// the real HID interfaces.
// With NORVESSA_DEMO_FRAMES set to a file name, it writes there, on its way out (Enter, or the
// end of --calibrate; Quit ends the process on the spot), every output report the controller
// received, one a line in hex: what tests check the frames by. With NORVESSA_DEMO_SILENT set, its
// controller never answers a calibration: what the screenshots of the wait and the time-out need.

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/win32/command_line_win32.h"
#include "app/win32/norvessa_app.h"
#include "controller/win32/controller_state.h"
#include "named_pipe_peer.h"

namespace {

std::optional<std::wstring> FrameLogPath() {
    const DWORD length = GetEnvironmentVariableW(L"NORVESSA_DEMO_FRAMES", nullptr, 0);
    if (length == 0) {
        return std::nullopt;
    }
    std::wstring path(length, L'\0');
    path.resize(GetEnvironmentVariableW(L"NORVESSA_DEMO_FRAMES", path.data(), length));
    return path;
}

void WriteReceivedFrames(norvessa::sim::NamedPipePeer& peer, const std::wstring& path) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    peer.With([&out](norvessa::sim::SimulatedController& controller) {
        for (const std::vector<std::uint8_t>& report : controller.received()) {
            out << norvessa::sim::FrameLogLine(report);
        }
    });
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        const norvessa::win32::CommandLineOutcome outcome = norvessa::win32::RunCommandLine();
        if (outcome.exitCode) {
            return *outcome.exitCode;
        }
        if (outcome.check && outcome.calibrationPoints == 0) {
            // --check alone needs no controller, simulated or not.
            return norvessa::win32::CheckAtStart(*outcome.check);
        }
        norvessa::sim::NamedPipePeer peer;
        if (GetEnvironmentVariableW(L"NORVESSA_DEMO_SILENT", nullptr, 0) != 0) {
            peer.With([](norvessa::sim::SimulatedController& controller) {
                controller.SetCalibrationScript({.answer = norvessa::sim::Answer::Silent});
            });
        }
        norvessa::win32::MainDialogOptions options;
        options.setUpControllerLink = [&peer](HWND mainWindow) {
            return norvessa::SetUpControllerLinkWithReady(
                mainWindow,
                norvessa::ReadyController{.path = peer.path(), .handle = peer.TakeHostHandle()});
        };
        options.fingerHook = {[&peer] { peer.FingerDown(); }, [&peer] { peer.FingerUp(); }};
        options.captionSuffix = L" (simulated controller)";
        auto calibrationExitCode = std::make_shared<int>(norvessa::EXIT_FAILED);
        if (outcome.calibrationPoints != 0) {
            options = norvessa::win32::CalibrateAtStart(
                outcome.calibrationPoints, calibrationExitCode, std::move(options), outcome.check);
        }
        norvessa::win32::CNorvessaApp app(std::move(options));
        int exitCode = app.Run();
        if (outcome.calibrationPoints != 0) {
            exitCode = *calibrationExitCode;
        }
        if (const std::optional<std::wstring> frameLog = FrameLogPath()) {
            WriteReceivedFrames(peer, *frameLog);
        }
        return exitCode;
    } catch (...) {
        return EXIT_FAILURE;
    }
}
