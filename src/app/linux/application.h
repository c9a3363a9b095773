#pragma once
// The application: Qt set up with the program's name and icon, the main dialog in the user's
// language run modally, and the process's end.

#include <functional>
#include <optional>

#include "app/linux/norvessa_dlg.h"

namespace norvessa::ui {

struct ApplicationOptions {
    MainDialogOptions mainDialog;
    // Called once the main dialog exists, before its modal run; tests drive it from here.
    std::function<void(CNorvessaDlg&)> beforeModalRun;
    // Once Qt runs and before any window exists: a value ends the program with that exit code.
    std::function<std::optional<int>()> beforeWindows;
    // The exit code once the main dialog has ended in order; 0 when unset.
    std::function<int()> exitCode;
};

// Returns the exit code, 0 unless options.exitCode says otherwise, once the main dialog has
// ended through Enter. Every other way out
// ends the process from inside with exit code 1.
int RunApplication(int& argc, char** argv, ApplicationOptions options = {});

}  // namespace norvessa::ui
