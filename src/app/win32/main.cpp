// Entry point of the Windows application.

#include <windows.h>

#include <cstdlib>

#include "norvessa_app.h"

namespace {

// The one application object, constructed when the program loads.
norvessa::win32::CNorvessaApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        return theApp.Run();
    } catch (...) {
        // A handler's exception has already ended its dialog; end the program quietly.
        return EXIT_FAILURE;
    }
}
