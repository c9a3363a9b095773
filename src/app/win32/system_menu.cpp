#include "app/win32/system_menu.h"

namespace norvessa::win32 {

void AppendAboutEntry(HMENU menu, UINT aboutCommand, const std::wstring& text) {
    if (menu == nullptr || text.empty()) {
        return;
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, aboutCommand, text.c_str());
}

void AppendCheckEntry(HMENU menu, UINT checkCommand, const std::wstring& text) {
    if (menu == nullptr || text.empty()) {
        return;
    }
    AppendMenuW(menu, MF_STRING, checkCommand, text.c_str());
}

}  // namespace norvessa::win32
