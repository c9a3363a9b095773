#pragma once
// Strings from the string table, in the copy the platform picks for the user's language.

#include <windows.h>

#include <string>

namespace norvessa::win32 {

// The string, or an empty one when the table has no such entry.
std::wstring LoadResourceString(HINSTANCE module, UINT id);

}  // namespace norvessa::win32
