// SPDX-License-Identifier: MIT
#pragma once
// A Windows error code in words, for the log and the command line.

#include <windows.h>

#include <string>

namespace norvessa {

// "<the system's message> (<code>)", in UTF-8; the code alone when the system has no text.
std::string WindowsErrorText(DWORD error);

}  // namespace norvessa
