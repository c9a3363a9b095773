#pragma once
// The main window's status line (IDC_STATUS_LINE): whether a controller is connected, and
// when none is, whether one is plugged in but held by another program.

#include <windows.h>

namespace norvessa::win32 {

// Sets the line of `dialog` from the controller state, in the user's language.
void ShowControllerStatusLine(HWND dialog, HINSTANCE resources);

}  // namespace norvessa::win32
