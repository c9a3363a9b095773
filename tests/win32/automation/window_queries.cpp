#include "window_queries.h"

#include <cmath>
#include <thread>
#include <vector>

namespace norvessa::automation {

namespace {

constexpr auto POLL_INTERVAL = std::chrono::milliseconds(20);
constexpr UINT SEND_TIMEOUT_MS = 5000;
constexpr auto MOUSE_EVENT_INTERVAL = std::chrono::milliseconds(15);

struct WindowSearch {
    const std::function<bool(HWND)>* matches;
    HWND found;
};

BOOL CALLBACK CheckTopLevelWindow(HWND hwnd, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    if ((*search->matches)(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

constexpr int HORIZONTAL_DIVISOR = 4;
constexpr int VERTICAL_DIVISOR = 8;
constexpr int LARGEST_BASE_UNIT = 256;

// The whole base unit b with MulDiv(units, b, divisor) == pixels, or 0.
int FindBaseUnit(LONG pixels, int units, int divisor) {
    for (int base = 1; base <= LARGEST_BASE_UNIT; ++base) {
        if (MulDiv(units, base, divisor) == pixels) {
            return base;
        }
    }
    return 0;
}

// The number of units u with MulDiv(u, base, divisor) == pixels, or -1.
int ToUnits(LONG pixels, int base, int divisor) {
    if (base <= 0) {
        return -1;
    }
    const long nearest = std::lround(static_cast<double>(pixels) * divisor / base);
    for (long units = nearest - 1; units <= nearest + 1; ++units) {
        if (MulDiv(static_cast<int>(units), base, divisor) == pixels) {
            return static_cast<int>(units);
        }
    }
    return -1;
}

}  // namespace

std::wstring WindowText(HWND hwnd) {
    wchar_t buffer[512] = {};
    const int length = GetWindowTextW(hwnd, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring ClassName(HWND hwnd) {
    wchar_t buffer[256] = {};
    const int length = GetClassNameW(hwnd, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

bool IsVisibleDialogOf(HWND hwnd, DWORD processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    return owner == processId && IsWindowVisible(hwnd) && ClassName(hwnd) == L"#32770";
}

HWND FindTopLevelWindow(const std::function<bool(HWND)>& matches) {
    WindowSearch search{&matches, nullptr};
    EnumWindows(&CheckTopLevelWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(std::chrono::milliseconds timeout, const std::function<bool(HWND)>& matches) {
    HWND found = nullptr;
    WaitUntil(timeout, [&] {
        found = FindTopLevelWindow(matches);
        return found != nullptr;
    });
    return found;
}

bool DisplayAvailable() {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (probe == nullptr) {
        return false;
    }
    DestroyWindow(probe);
    return true;
}

bool WaitUntil(std::chrono::milliseconds timeout, const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
    return true;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

HWND FocusedWindowOfThread(HWND hwnd) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

DialogUnits::DialogUnits(HWND dialog, int widthUnits, int heightUnits) : dialog_(dialog) {
    RECT client{};
    GetClientRect(dialog, &client);
    baseX_ = FindBaseUnit(client.right - client.left, widthUnits, HORIZONTAL_DIVISOR);
    baseY_ = FindBaseUnit(client.bottom - client.top, heightUnits, VERTICAL_DIVISOR);
}

DialogRect DialogUnits::ControlRect(HWND control) const {
    RECT pixels{};
    GetWindowRect(control, &pixels);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&pixels), 2);
    return DialogRect{ToUnits(pixels.left, baseX_, HORIZONTAL_DIVISOR),
                      ToUnits(pixels.top, baseY_, VERTICAL_DIVISOR),
                      ToUnits(pixels.right - pixels.left, baseX_, HORIZONTAL_DIVISOR),
                      ToUnits(pixels.bottom - pixels.top, baseY_, VERTICAL_DIVISOR)};
}

bool ScreenPixelIs(POINT at, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return pixel == colour;
}

void PostMouseTouch(HWND window, POINT at, int moves) {
    const LPARAM position = MAKELPARAM(at.x, at.y);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, position);
    for (int i = 0; i < moves; ++i) {
        PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, position);
    }
    PostMessageW(window, WM_LBUTTONUP, 0, position);
}

bool SendMouseTouch(POINT screenAt, int moves, ULONG_PTR extraInfo) {
    // Absolute positions span 0..65535 across the whole virtual desktop, so any monitor's
    // pixels can be reached.
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const auto absolute = [](LONG offset, int size) {
        return static_cast<LONG>((offset * 65536 + size / 2) / size);
    };
    const auto event = [&](DWORD flags, LONG dx) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = absolute(screenAt.x + dx - left, width);
        input.mi.dy = absolute(screenAt.y - top, height);
        input.mi.dwFlags =
            flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | MOUSEEVENTF_MOVE;
        input.mi.dwExtraInfo = extraInfo;
        return input;
    };
    std::vector<INPUT> inputs = {event(0, 0), event(MOUSEEVENTF_LEFTDOWN, 0)};
    for (int i = 0; i < moves; ++i) {
        // The pointer must really move for a move to be reported: one pixel to and fro.
        inputs.push_back(event(0, (i % 2 == 0) ? 1 : 0));
    }
    inputs.push_back(event(MOUSEEVENTF_LEFTUP, 0));
    for (INPUT& input : inputs) {
        if (SendInput(1, &input, static_cast<int>(sizeof(INPUT))) != 1) {
            return false;
        }
        // Moves still queued are merged into one, as a real mouse's are: pace them.
        std::this_thread::sleep_for(MOUSE_EVENT_INTERVAL);
    }
    return true;
}

bool IsVisibleMenuOf(HWND hwnd, DWORD processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    return owner == processId && IsWindowVisible(hwnd) && ClassName(hwnd) == L"#32768";
}

std::optional<LRESULT> SendMessageWithTimeout(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, SEND_TIMEOUT_MS,
                             &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

}  // namespace norvessa::automation
