#include "ui/win32/message_box.h"

#include <array>
#include <utility>

#include "ui/win32/resource_string.h"

namespace norvessa::win32 {

namespace {

MessageBoxPresenter& Presenter() {
    static MessageBoxPresenter presenter;
    return presenter;
}

}  // namespace

std::wstring ApplicationName() {
    std::array<wchar_t, MAX_PATH> path{};
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring name(path.data(), length);
    const std::size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) {
        name.erase(0, slash + 1);
    }
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot != 0) {
        name.erase(dot);
    }
    return name;
}

void SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    Presenter() = std::move(presenter);
}

int ShowMessageBox(HWND owner, HINSTANCE resources, UINT textId, UINT type) {
    const std::wstring text = LoadResourceString(resources, textId);
    const std::wstring caption = ApplicationName();
    if (Presenter()) {
        return Presenter()(owner, text, caption, type);
    }
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

}  // namespace norvessa::win32
