#include "calibration/win32/cover_window.h"

#include "calibration/win32/guidance_painter.h"
#include "calibration/win32/monitor_window.h"
#include "ui/win32/paint_context.h"

namespace norvessa::win32 {

namespace {

constexpr wchar_t COVER_CLASS[] = L"NorvessaCheckCover";
constexpr COLORREF COVER_BACKGROUND = RGB(32, 32, 32);
constexpr COLORREF COVER_TEXT = RGB(220, 220, 220);
constexpr int COVER_TEXT_HEIGHT = 48;

void RegisterCoverClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = COVER_CLASS;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

PixelPoint CoverToChecked(SamplePoint client, const PixelRect& area, PixelPoint origin) {
    return PixelPoint{client.x + area.x - origin.x, client.y + area.y - origin.y};
}

CoverWindow::CoverWindow(HWND owner, const PixelRect& area, PixelPoint checkedOrigin,
                         std::wstring text, CoverContact onContact)
    : area_(area),
      checkedOrigin_(checkedOrigin),
      text_(std::move(text)),
      onContact_(std::move(onContact)),
      contacts_({.contact =
                     [this](std::uint32_t flags, SamplePoint position) {
                         const PixelPoint at = CoverToChecked(position, area_, checkedOrigin_);
                         onContact_.contact(flags, SamplePoint{at.x, at.y});
                     },
                 .cancelled = [this] { onContact_.cancelled(); }}) {
    RegisterCoverClass();
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, COVER_CLASS, text_.c_str(), WS_POPUP, area.x, area.y,
                            area.width, area.height, owner, nullptr, GetModuleHandleW(nullptr),
                            nullptr);
    if (hwnd_ == nullptr) {
        return;
    }
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CoverWindow::WindowProc));
    contacts_.Start(hwnd_);
    ShowOverMonitor(hwnd_, area_);
}

CoverWindow::~CoverWindow() {
    if (hwnd_ != nullptr) {
        contacts_.Stop();
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
        DestroyWindow(hwnd_);
    }
}

LRESULT CALLBACK CoverWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* cover = reinterpret_cast<CoverWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (cover == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // No exception leaves a window procedure: a handler that throws loses that one message.
    try {
        return cover->Handle(message, wParam, lParam);
    } catch (...) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

LRESULT CoverWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const std::optional<MessageResult> answer = contacts_.Handle(message, wParam, lParam);
        answer && answer->handled()) {
        return answer->value();
    }
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_GETMINMAXINFO:
            KeepWholeMonitor(lParam, area_.width, area_.height);
            return 0;
        case WM_MOUSEACTIVATE:
            // A touch on a cover leaves the check window active, so Escape still reaches it.
            return MA_NOACTIVATE;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void CoverWindow::Paint() {
    PaintContext paint(hwnd_);
    RECT client{};
    GetClientRect(hwnd_, &client);
    const GdiObject background(CreateSolidBrush(COVER_BACKGROUND));
    FillRect(paint.dc(), &client, static_cast<HBRUSH>(background.get()));
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = -COVER_TEXT_HEIGHT;
    const GdiObject large(CreateFontIndirectW(&font));
    const HGDIOBJ previous = SelectObject(paint.dc(), large.get());
    SetBkMode(paint.dc(), TRANSPARENT);
    SetTextColor(paint.dc(), COVER_TEXT);
    DrawTextW(paint.dc(), text_.c_str(), static_cast<int>(text_.size()), &client,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(paint.dc(), previous);
}

std::vector<std::unique_ptr<CoverWindow>> CoverOtherMonitors(
    HWND owner, const std::vector<PixelRect>& monitors, std::size_t checked,
    const std::function<std::wstring(std::size_t)>& text, const CoverContact& onContact) {
    std::vector<std::unique_ptr<CoverWindow>> covers;
    if (checked >= monitors.size()) {
        return covers;
    }
    const PixelPoint origin{monitors[checked].x, monitors[checked].y};
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (i != checked) {
            covers.push_back(
                std::make_unique<CoverWindow>(owner, monitors[i], origin, text(i), onContact));
        }
    }
    return covers;
}

}  // namespace norvessa::win32
