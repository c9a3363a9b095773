#pragma once
// Telling a controller that has gone from one that merely failed: which errors mean the device
// is no longer there, and a probe of an open handle that does not disturb its reports. A HID
// collection's handle and the named pipe through which the simulated controller is reached are
// told apart by the system's file type.

#include <windows.h>

namespace norvessa {

// The error a read, write or HID request on the controller's handle ends with once the device
// has gone: the HID class driver's device-not-connected and device-removed errors, the bad
// command some USB stacks answer with after a surprise removal, and, for the pipe, its broken,
// closing and disconnected errors. Not ERROR_INVALID_HANDLE: that names a handle that is wrong
// in itself (closed, or not a device), which says nothing about the device.
bool IsDeviceGoneError(DWORD error);

// Whether the handle is a pipe (the simulated controller) rather than a HID collection.
bool IsPipeHandle(HANDLE handle);

// False only when a harmless request on the handle fails with a device-gone error: attributes
// for a HID collection, a peek for the pipe. Any other outcome cannot tell, and says alive.
bool IsHandleAlive(HANDLE handle);

}  // namespace norvessa
