// Entry point of the Windows application.

#include <windows.h>

#include <cstdlib>
#include <memory>

#include "app/command_line.h"
#include "app/win32/command_line_win32.h"
#include "app/win32/norvessa_app.h"

namespace {

// The one application object, constructed when the program loads.
norvessa::win32::CNorvessaApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        // The command line first: with no arguments the main dialog opens as it always has.
        const norvessa::win32::CommandLineOutcome outcome = norvessa::win32::RunCommandLine();
        if (outcome.exitCode) {
            return *outcome.exitCode;
        }
        if (outcome.calibrationPoints != 0) {
            auto exitCode = std::make_shared<int>(norvessa::EXIT_FAILED);
            theApp.SetMainDialogOptions(norvessa::win32::CalibrateAtStart(
                outcome.calibrationPoints, exitCode, {}, outcome.check));
            theApp.Run();
            return *exitCode;
        }
        if (outcome.check) {
            // --check alone: no main dialog, no controller needed.
            return norvessa::win32::CheckAtStart(*outcome.check);
        }
        return theApp.Run();
    } catch (...) {
        // A handler's exception has already ended its dialog; end the program quietly.
        return EXIT_FAILURE;
    }
}
