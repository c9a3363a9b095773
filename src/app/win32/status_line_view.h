#pragma once
// The main window's status line (IDC_STATUS_LINE): whether a controller is connected, and
// when none is, whether one is plugged in but held by another program; with more than one
// monitor attached, a second line names the monitor the next calibration covers; after a
// successful calibration the first line ends in a link that starts the check.

#include <windows.h>

#include <string>

namespace norvessa::win32 {

// The controller's line, in the user's language. Looks for controllers held by other
// programs when none is current, so it is worth keeping rather than asking again.
std::wstring ControllerStatusText(HINSTANCE resources);

// The line naming the monitor a calibration started from `mainWindow` covers; empty while
// only one monitor is attached (there is nothing to choose) or none is covered.
std::wstring MonitorNoteText(HWND mainWindow, HINSTANCE resources);

// Sets the line of `dialog`: the controller's text, and the monitor note below it. With
// `checkLink`, the controller's line ends in the link that starts a check (after a successful
// calibration); the note keeps its own line, so the two lines still fit the control.
void ShowStatusLine(HWND dialog, HINSTANCE resources, const std::wstring& controllerText,
                    bool checkLink = false);

// Whether `point` (the dialog's client pixels) lies on the link, as ShowStatusLine placed it
// after `controllerText`. The control passes clicks and touches through to the dialog.
bool IsOnCheckLink(HWND dialog, HINSTANCE resources, const std::wstring& controllerText,
                   POINT point);

}  // namespace norvessa::win32
