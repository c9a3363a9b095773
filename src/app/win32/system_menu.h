#pragma once
// The About entry at the end of the main dialog's system menu.

#include <windows.h>

#include <string>

namespace norvessa::win32 {

// Appends a separator and then an item with command aboutCommand and the given text; an
// empty text adds nothing at all.
void AppendAboutEntry(HMENU menu, UINT aboutCommand, const std::wstring& text);

}  // namespace norvessa::win32
