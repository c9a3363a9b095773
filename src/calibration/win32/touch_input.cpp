#include "calibration/win32/touch_input.h"

#include <algorithm>
#include <array>

#include "calibration/win32/pointer_input.h"

namespace norvessa::win32 {

namespace {

constexpr LPARAM SIGNATURE_MASK = static_cast<LPARAM>(0xFFFFFF00u);
constexpr LPARAM TOUCH_OR_PEN_SIGNATURE = static_cast<LPARAM>(0xFF515700u);
// More contacts than any screen reports at once; a message with more is read in part.
constexpr UINT MAX_CONTACTS = 32;

}  // namespace

bool IsSynthesizedFromTouchOrPen(LPARAM messageExtraInfo) {
    return (messageExtraInfo & SIGNATURE_MASK) == TOUCH_OR_PEN_SIGNATURE;
}

bool ReadTouchMessage(HWND window, WPARAM wParam, LPARAM lParam,
                      const std::function<void(const TouchPoint&)>& onPoint) {
    const auto handle = reinterpret_cast<HTOUCHINPUT>(lParam);
    const UINT count = std::min<UINT>(LOWORD(wParam), MAX_CONTACTS);
    std::array<TOUCHINPUT, MAX_CONTACTS> inputs{};
    if (count == 0 ||
        !::GetTouchInputInfo(handle, count, inputs.data(), static_cast<int>(sizeof(TOUCHINPUT)))) {
        return false;
    }
    const TouchInputHandle owned(handle);
    POINT clientOrigin{0, 0};
    ::ClientToScreen(window, &clientOrigin);
    for (UINT i = 0; i < count; ++i) {
        const TOUCHINPUT& input = inputs[i];
        onPoint(TouchPoint{input.dwFlags, TouchInputToClient(input.x, input.y, clientOrigin)});
    }
    return true;
}

}  // namespace norvessa::win32
