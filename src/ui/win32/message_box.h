#pragma once
// The program's message boxes: a text from the string table, captioned with the application's
// name. The presenter can be replaced, so the code that shows a box can be tested without one.

#include <windows.h>

#include <functional>
#include <string>

namespace norvessa::win32 {

// The executable's file name without its extension: the caption that a message box without a
// caption argument gets from an application that has no name of its own.
std::wstring ApplicationName();

// Shows one box and returns the button pressed (IDOK, IDYES, IDNO, ...), as MessageBoxW does.
using MessageBoxPresenter = std::function<int(HWND owner, const std::wstring& text,
                                              const std::wstring& caption, UINT type)>;
// Null restores MessageBoxW. For tests: set it before the boxes can appear.
void SetMessageBoxPresenter(MessageBoxPresenter presenter);

// Shows string `textId` of `resources` in a box owned by `owner`, with `type` (MB_OK, ...).
int ShowMessageBox(HWND owner, HINSTANCE resources, UINT textId, UINT type);

}  // namespace norvessa::win32
