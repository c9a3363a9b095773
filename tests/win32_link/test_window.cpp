#include "test_window.h"

#include <cstddef>
#include <cstring>

#include "controller/win32/controller_state.h"

namespace norvessa::test {
namespace {

constexpr wchar_t kClassName[] = L"NorvessaLinkTestWindow";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DEVICECHANGE:
            return OnDeviceChange(wParam, lParam);
        case WM_DESTROY:
            ReleaseControllerOnDestroy();
            return 0;
        default:
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void RegisterWindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    ::RegisterClassExW(&windowClass);  // fails harmlessly when already registered
}

void AddButton(HWND parent, int id, int index) {
    ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10 + index * 30,
                      100, 25, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                      ::GetModuleHandleW(nullptr), nullptr);
}

template <typename T>
void Put(std::vector<std::uint64_t>& storage, std::size_t offset, const T& value) {
    std::memcpy(reinterpret_cast<unsigned char*>(storage.data()) + offset, &value, sizeof(value));
}

}  // namespace

bool HaveDisplay() {
    return ::GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) > 1;
}

TestWindow::TestWindow() {
    RegisterWindowClass();
    hwnd_ = ::CreateWindowExW(0, kClassName, L"Norvessa", WS_OVERLAPPEDWINDOW, 0, 0, 400, 400,
                              nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (hwnd_ == nullptr) {
        return;
    }
    AddButton(hwnd_, IDCANCEL, 0);
    for (int id = FIRST_COMMAND_BUTTON_ID; id <= LAST_COMMAND_BUTTON_ID; ++id) {
        AddButton(hwnd_, id, id - FIRST_COMMAND_BUTTON_ID + 1);
    }
}

TestWindow::~TestWindow() {
    Destroy();
}

void TestWindow::Destroy() {
    if (hwnd_ != nullptr) {
        ::DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

bool TestWindow::ButtonEnabled(int id) const {
    return ::IsWindowEnabled(::GetDlgItem(hwnd_, id)) != FALSE;
}

std::vector<bool> TestWindow::CommandButtonsEnabled() const {
    std::vector<bool> enabled;
    for (int id = FIRST_COMMAND_BUTTON_ID; id <= LAST_COMMAND_BUTTON_ID; ++id) {
        enabled.push_back(ButtonEnabled(id));
    }
    return enabled;
}

LRESULT TestWindow::SendDeviceChange(WPARAM eventType, const void* broadcast) const {
    return ::SendMessageW(hwnd_, WM_DEVICECHANGE, eventType, reinterpret_cast<LPARAM>(broadcast));
}

Broadcast InterfaceBroadcast(const std::wstring& name, DWORD declaredSize, DWORD deviceType) {
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    const std::size_t trueSize = nameOffset + (name.size() + 1) * sizeof(wchar_t);
    Broadcast broadcast;
    broadcast.storage.assign(trueSize / sizeof(std::uint64_t) + 1, 0);
    const DWORD size = declaredSize != 0 ? declaredSize : static_cast<DWORD>(trueSize);
    Put(broadcast.storage, offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_size), size);
    Put(broadcast.storage, offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_devicetype), deviceType);
    for (std::size_t i = 0; i < name.size(); ++i) {
        Put(broadcast.storage, nameOffset + i * sizeof(wchar_t), name[i]);
    }
    return broadcast;
}

Broadcast VolumeBroadcast() {
    Broadcast broadcast;
    broadcast.storage.assign(sizeof(DEV_BROADCAST_VOLUME) / sizeof(std::uint64_t) + 1, 0);
    Put(broadcast.storage, offsetof(DEV_BROADCAST_VOLUME, dbcv_size),
        static_cast<DWORD>(sizeof(DEV_BROADCAST_VOLUME)));
    Put(broadcast.storage, offsetof(DEV_BROADCAST_VOLUME, dbcv_devicetype),
        static_cast<DWORD>(DBT_DEVTYP_VOLUME));
    Put(broadcast.storage, offsetof(DEV_BROADCAST_VOLUME, dbcv_unitmask), DWORD{1u << 3});
    return broadcast;
}

}  // namespace norvessa::test
