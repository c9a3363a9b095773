#pragma once
// The controller state that the rest of the program reaches the controller through, and the
// calls the main dialog makes: set-up at initialisation, WM_DEVICECHANGE, WM_DESTROY.
// Everything here runs on the user-interface thread.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controller/controller_link.h"
#include "controller/win32/controller_device.h"
#include "controller/win32/hid_api.h"
#include "controller/win32/win32_handles.h"

namespace norvessa {

// What a writer or reader of reports borrows of the current controller: its overlapped
// handle. Owns nothing; the current entry does.
struct BorrowedDevice {
    HANDLE handle = INVALID_HANDLE_VALUE;
};

// Written only by the functions below. While g_currentEntry is null both copies hold
// INVALID_HANDLE_VALUE and g_outputReportLength is 0, so no closed handle is ever left in
// them; a frame writer or reader that finds either empty has no controller and does nothing.
// g_productName is informational: the program shows it nowhere; tests read it.
extern DeviceListEntry* g_currentEntry;
extern BorrowedDevice g_writeDevice;
extern BorrowedDevice g_readDevice;
extern std::uint32_t g_outputReportLength;
extern HWND g_mainWindow;
extern DeviceNotification g_deviceNotification;
extern std::array<wchar_t, 260> g_productName;

inline constexpr int FIRST_COMMAND_BUTTON_ID = 1000;
inline constexpr int LAST_COMMAND_BUTTON_ID = 1007;

// Main-dialog initialisation: registers `mainWindow` for HID interface notifications and
// searches for the controller, enabling or disabling the command buttons. FALSE when the
// registration is refused: then nothing is searched and the buttons are not touched.
BOOL SetUpControllerLink(HWND mainWindow);
// The same over another (non-null) platform, whose Open must return DeviceListEntry objects;
// the tests use it to stand in for the HID interfaces.
BOOL SetUpControllerLinkWith(HWND mainWindow, std::unique_ptr<HidPlatform> platform);

// A controller that is open already: the demo's and the tests' end of the named pipe that
// serves the simulated controller, where an installation finds a HID interface.
struct ReadyController {
    std::wstring path;
    UniqueFileHandle handle;  // opened for overlapped I/O
    USHORT inputReportLength = 64;
    USHORT outputReportLength = 64;
};

// Main-dialog initialisation for the demo and the tests: registers as SetUpControllerLink
// does, then makes `ready` current in place of the HID search (no match test). Arrivals and
// removals are followed as usual; a removal naming `ready.path` releases it.
BOOL SetUpControllerLinkWithReady(HWND mainWindow, ReadyController ready);
// The same, with arrivals opened through `platform` (whose Open must return DeviceListEntry
// objects) instead of the HID interfaces: the tests' way to let a controller arrive.
BOOL SetUpControllerLinkWithReady(HWND mainWindow, ReadyController ready,
                                  std::unique_ptr<HidPlatform> platform);

// The start-up search over every present interface; true when a controller became current.
// Enables the command buttons when one did, disables them otherwise.
bool FindController();

// EnableWindow on the command buttons 1000 to 1007 of g_mainWindow, in that order.
void EnableCommandButtons(bool enable);

// WM_DEVICECHANGE: wParam and lParam as the window received them. Follows HID interface
// arrivals and removals; every other event changes nothing. Never throws.
BOOL OnDeviceChange(WPARAM eventType, LPARAM eventData);

// A read, write or HID request on the current controller failed with a device-gone error:
// releases it exactly as its removal would (the releasing handler runs first, the buttons
// follow) and searches the present interfaces again. Call on the user-interface thread, never
// from inside the releasing handler. False when no controller was current. Never throws.
bool OnCurrentControllerGone();

// WM_DESTROY of the main dialog: releases the current controller and the registration; the
// buttons are left alone, they go with the window.
void ReleaseControllerOnDestroy();

// Called just before the current controller's handle is closed, while g_writeDevice and
// g_readDevice still hold it, so a pending read can be cancelled. Must not throw.
void SetControllerReleasingHandler(std::function<void()> handler);

}  // namespace norvessa
