// Norvessa with the simulated controller in place of a real one: the same application, whose
// controller is served behind a named pipe and told of every touch-down and lift-off as a real
// controller would feel them. Answers every calibration and reset with success.

#include <windows.h>

#include <cstdlib>
#include <exception>

#include "app/win32/norvessa_app.h"
#include "controller/win32/controller_state.h"
#include "named_pipe_peer.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        norvessa::sim::NamedPipePeer peer;
        norvessa::win32::MainDialogOptions options;
        options.setUpControllerLink = [&peer](HWND mainWindow) {
            return norvessa::SetUpControllerLinkWithReady(
                mainWindow,
                norvessa::ReadyController{.path = peer.path(), .handle = peer.TakeHostHandle()});
        };
        options.fingerHook = {[&peer] { peer.FingerDown(); }, [&peer] { peer.FingerUp(); }};
        options.captionSuffix = L" (simulated controller)";
        norvessa::win32::CNorvessaApp app(std::move(options));
        return app.Run();
    } catch (...) {
        return EXIT_FAILURE;
    }
}
