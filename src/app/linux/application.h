#pragma once
// The application: Qt set up with the program's name and icon, the main dialog in the user's
// language run modally, and the process's end.

#include <functional>

#include "app/linux/norvessa_dlg.h"

namespace norvessa::ui {

struct ApplicationOptions {
    MainDialogOptions mainDialog;
    // Called once the main dialog exists, before its modal run; tests drive it from here.
    std::function<void(CNorvessaDlg&)> beforeModalRun;
};

// Returns the exit code, 0, once the main dialog has ended through Enter. Every other way out
// ends the process from inside with exit code 1.
int RunApplication(int& argc, char** argv, ApplicationOptions options = {});

}  // namespace norvessa::ui
