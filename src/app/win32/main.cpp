// Entry point of the Windows application.

#include <windows.h>

#include <cstdlib>
#include <optional>

#include "app/win32/command_line_win32.h"
#include "norvessa_app.h"

namespace {

// The one application object, constructed when the program loads.
norvessa::win32::CNorvessaApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        // The command line first: with no arguments the main dialog opens as it always has.
        if (const std::optional<int> exitCode = norvessa::win32::RunCommandLine()) {
            return *exitCode;
        }
        return theApp.Run();
    } catch (...) {
        // A handler's exception has already ended its dialog; end the program quietly.
        return EXIT_FAILURE;
    }
}
