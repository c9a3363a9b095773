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

void ShowStatusLine(HWND dialog, HINSTANCE resources, const std::wstring& controllerText) {
    const std::wstring note = MonitorNoteText(dialog, resources);
    const std::wstring text = note.empty() ? controllerText : controllerText + L"\r\n" + note;
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
