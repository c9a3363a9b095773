// SPDX-License-Identifier: MIT
#pragma once
// The Linux front end of the command line: read before Qt starts, so --help, --version,
// --list and --reset need no display, and Qt sees only the options meant for it.

#include "app/linux/application.h"

namespace norvessa::ui {

// Runs what the command line asks for and returns the process's exit code. `options` carries
// what the demo and the tests put in place of the udev search (a ready controller).
int RunCommandLine(int argc, char** argv, ApplicationOptions options = {});

}  // namespace norvessa::ui
