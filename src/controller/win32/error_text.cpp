// SPDX-License-Identifier: MIT
#include "controller/win32/error_text.h"

#include <cstdio>

#include "controller/win32/wide_text.h"

namespace norvessa {

std::string WindowsErrorText(DWORD error) {
    wchar_t text[512] = {};
    DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, text, static_cast<DWORD>(std::size(text)), nullptr);
    // The system's messages end in ".\r\n": keep the sentence, drop the line end and stop.
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' ||
                          text[length - 1] == L'.' || text[length - 1] == L' ')) {
        --length;
    }
    char code[24];
    std::snprintf(code, sizeof code, " (%lu)", static_cast<unsigned long>(error));
    if (length == 0) {
        return std::string("error") + code;
    }
    return Utf8FromWide(std::wstring_view(text, length)) + code;
}

}  // namespace norvessa
