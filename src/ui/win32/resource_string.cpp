#include "ui/win32/resource_string.h"

namespace norvessa::win32 {

std::wstring LoadResourceString(HINSTANCE module, UINT id) {
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) {
        return {};
    }
    return std::wstring(text, static_cast<std::size_t>(length));
}

}  // namespace norvessa::win32
