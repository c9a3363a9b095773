// SPDX-License-Identifier: MIT
#pragma once
// The program's log through Qt's logging category `norvessa.controller`: errors as warnings
// (shown by default, on stderr), debug messages only when the category's debug level is on,
// by QT_LOGGING_RULES="norvessa.controller.debug=true" or by --verbose.

namespace norvessa::ui {

void InstallQtLogging(bool verbose);

}  // namespace norvessa::ui
