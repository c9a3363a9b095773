#include "calibration/win32/pointer_input.h"

namespace norvessa::win32 {

namespace {

constexpr LONG HUNDREDTHS_PER_PIXEL = 100;

using GetPointerInfoFunction = BOOL(WINAPI*)(UINT32, POINTER_INFO*);

// user32 stays loaded for the life of the process, so the address stays valid.
GetPointerInfoFunction PointerInfoReader() {
    static const auto reader = [] {
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        return user32 == nullptr ? nullptr
                                 : reinterpret_cast<GetPointerInfoFunction>(reinterpret_cast<void*>(
                                       GetProcAddress(user32, "GetPointerInfo")));
    }();
    return reader;
}

LONG FloorDivide(LONG value, LONG divisor) {
    const LONG quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

POINT MonitorOrigin(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) {
        return POINT{0, 0};
    }
    return POINT{info.rcMonitor.left, info.rcMonitor.top};
}

}  // namespace

std::optional<PointerContact> PointerContactOf(UINT message, POINTER_INPUT_TYPE type,
                                               POINTER_FLAGS pointerFlags) {
    if (type != PT_TOUCH && type != PT_PEN) {
        return std::nullopt;
    }
    const bool cancelled = (pointerFlags & POINTER_FLAG_CANCELED) != 0;
    switch (message) {
        case WM_POINTERDOWN:
            return PointerContact::Down;
        case WM_POINTERUPDATE:
            if (cancelled) {
                return PointerContact::Cancelled;
            }
            // A pen reports its position while it hovers: only a pen on the screen is a contact.
            if ((pointerFlags & POINTER_FLAG_INCONTACT) == 0) {
                return std::nullopt;
            }
            return PointerContact::Move;
        case WM_POINTERUP:
            return cancelled ? PointerContact::Cancelled : PointerContact::Up;
        default:
            return std::nullopt;
    }
}

std::uint32_t TouchFlagOf(PointerContact contact) {
    switch (contact) {
        case PointerContact::Down:
            return TOUCH_FLAG_DOWN;
        case PointerContact::Move:
            return TOUCH_FLAG_MOVE;
        case PointerContact::Up:
            return TOUCH_FLAG_UP;
        case PointerContact::Cancelled:
            break;
    }
    return 0;
}

SamplePoint PointerToClient(POINT pixelLocation, POINT monitorOrigin) {
    return SamplePoint{pixelLocation.x - monitorOrigin.x, pixelLocation.y - monitorOrigin.y};
}

SamplePoint TouchInputToClient(LONG hundredthsX, LONG hundredthsY, POINT clientOrigin) {
    return SamplePoint{FloorDivide(hundredthsX, HUNDREDTHS_PER_PIXEL) - clientOrigin.x,
                       FloorDivide(hundredthsY, HUNDREDTHS_PER_PIXEL) - clientOrigin.y};
}

std::int64_t MessageTimeOnTickClock(DWORD messageTime, std::uint64_t tickNow) {
    // Unsigned 32-bit subtraction gives the age across a wrap of the message clock.
    const DWORD age = static_cast<DWORD>(tickNow) - messageTime;
    return static_cast<std::int64_t>(tickNow) - static_cast<std::int64_t>(age);
}

bool PointerInputOffered() {
    return PointerInfoReader() != nullptr;
}

std::optional<ContactEvent> ReadPointerMessage(HWND window, UINT message, WPARAM wParam) {
    const GetPointerInfoFunction reader = PointerInfoReader();
    POINTER_INFO info{};
    if (reader == nullptr || !reader(GET_POINTERID_WPARAM(wParam), &info)) {
        return std::nullopt;
    }
    const std::optional<PointerContact> contact =
        PointerContactOf(message, info.pointerType, info.pointerFlags);
    if (!contact) {
        return std::nullopt;
    }
    return ContactEvent{*contact, PointerToClient(info.ptPixelLocation, MonitorOrigin(window))};
}

}  // namespace norvessa::win32
