// SPDX-License-Identifier: MIT
#pragma once
// The Windows front end of the command line, read before any window exists. Text goes to the
// standard handles when the caller redirected them, else to the console of the parent process
// when there is one, else into a message box.

#include <optional>

namespace norvessa::win32 {

// The exit code of what the command line asked for; nothing when the main dialog is to open.
// Also puts the log in place (the debugger's output, and stderr when there is one).
std::optional<int> RunCommandLine();

}  // namespace norvessa::win32
