#pragma once
// What the tests learn from the system about this process's handles.

#include <cstddef>
#include <optional>

#include "controller/win32/hid_api.h"

namespace norvessa::test {

// The number of handles this process holds, from the system's handle table. Wine's
// GetProcessHandleCount always reports 0, so the table is read instead. Nullopt when the
// system does not give it.
std::optional<std::size_t> OpenHandleCount();

// The count once Wine's background threads have stopped opening handles: unchanged over
// several readings in a row (gives up waiting after a few seconds).
std::optional<std::size_t> SettledHandleCount();

// Whether `handle` was opened for overlapped I/O (no synchronous-I/O mode on the file object).
bool IsOverlappedHandle(HANDLE handle);

}  // namespace norvessa::test
