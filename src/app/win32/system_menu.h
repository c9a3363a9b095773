#pragma once
// The About entry at the end of the main dialog's system menu, and the check's below it.

#include <windows.h>

#include <string>

namespace norvessa::win32 {

// The system menu's command that starts a check (a multiple of 16, below 0xF000).
inline constexpr UINT IDM_CHECK_CALIBRATION = 0x0020;

// Appends a separator and then an item with command aboutCommand and the given text; an
// empty text adds nothing at all.
void AppendAboutEntry(HMENU menu, UINT aboutCommand, const std::wstring& text);

// Appends "Check calibration…" below About; an empty text adds nothing.
void AppendCheckEntry(HMENU menu, UINT checkCommand, const std::wstring& text);

}  // namespace norvessa::win32
