#include "app/win32/status_line_view.h"

#include <optional>
#include <vector>

#include "app/status_line.h"
#include "calibration/guidance_text.h"
#include "calibration/win32/calibration_monitor.h"
#include "controller/win32/controller_in_use.h"
#include "controller/win32/controller_state.h"
#include "controller/win32/wide_text.h"
#include "resource.h"
#include "ui/win32/resource_string.h"

namespace norvessa::win32 {

std::wstring ControllerStatusText(HINSTANCE resources) {
    const bool connected = g_currentEntry != nullptr;
    // Looked for only when the buttons are grey: it opens every HID interface once more.
    const std::vector<ControllerAccess> refused =
        connected ? std::vector<ControllerAccess>{} : FindControllersInUse();
    const ControllerStatus status = StatusOfController(connected, refused);
    const std::wstring pattern =
        LoadResourceString(resources, static_cast<UINT>(StatusLineStringId(status.presence)));
    return FillPlaceholders(pattern, WideFromUtf8(status.path));
}

std::wstring MonitorNoteText(HWND mainWindow, HINSTANCE resources) {
    if (GetSystemMetrics(SM_CMONITORS) < 2) {
        return {};
    }
    const std::optional<NamedMonitor> covered = CoveredMonitor(mainWindow);
    if (!covered) {
        return {};
    }
    const std::string pattern = Utf8FromWide(LoadResourceString(resources, IDS_STATUS_SCREEN));
    return WideFromUtf8(ScreenNote(pattern, covered->index, covered->name, covered->area.width,
                                   covered->area.height));
}

namespace {

// Between the controller's words and the link on the same line.
constexpr wchar_t LINK_GAP[] = L"   ";

std::wstring ControllerLine(HINSTANCE resources, const std::wstring& controllerText,
                            bool checkLink) {
    if (!checkLink) {
        return controllerText;
    }
    return controllerText + LINK_GAP + LoadResourceString(resources, IDS_CHECK_LINK);
}

LONG TextWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace

bool IsOnCheckLink(HWND dialog, HINSTANCE resources, const std::wstring& controllerText,
                   POINT point) {
    HWND line = GetDlgItem(dialog, IDC_STATUS_LINE);
    if (line == nullptr) {
        return false;
    }
    MapWindowPoints(dialog, line, &point, 1);
    HDC dc = GetDC(line);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(line, WM_GETFONT, 0, 0)));
    const LONG start = TextWidth(dc, controllerText + LINK_GAP);
    const LONG end = start + TextWidth(dc, LoadResourceString(resources, IDS_CHECK_LINK));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(line, dc);
    // A finger is wider than a line of text: half a line more above and below.
    const LONG slack = metrics.tmHeight / 2;
    return point.x >= start && point.x < end && point.y >= -slack &&
           point.y < metrics.tmHeight + slack;
}

void ShowStatusLine(HWND dialog, HINSTANCE resources, const std::wstring& controllerText,
                    bool checkLink) {
    const std::wstring note = MonitorNoteText(dialog, resources);
    const std::wstring first = ControllerLine(resources, controllerText, checkLink);
    const std::wstring text = note.empty() ? first : first + L"\r\n" + note;
    // Moving the window asks again and again: leave an unchanged line alone, so it does not
    // flicker while the window is dragged.
    HWND line = GetDlgItem(dialog, IDC_STATUS_LINE);
    const int length = GetWindowTextLengthW(line);
    std::wstring shown(static_cast<std::size_t>(length) + 1, L'\0');
    shown.resize(static_cast<std::size_t>(GetWindowTextW(line, shown.data(), length + 1)));
    if (shown != text) {
        SetWindowTextW(line, text.c_str());
    }
}

}  // namespace norvessa::win32
