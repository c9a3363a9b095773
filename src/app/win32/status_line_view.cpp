#include "status_line_view.h"

#include <vector>

#include "app/status_line.h"
#include "calibration/guidance_text.h"
#include "controller/win32/controller_in_use.h"
#include "controller/win32/controller_state.h"
#include "controller/win32/wide_text.h"
#include "resource.h"
#include "resource_string.h"

namespace norvessa::win32 {

void ShowControllerStatusLine(HWND dialog, HINSTANCE resources) {
    const bool connected = g_currentEntry != nullptr;
    // Looked for only when the buttons are grey: it opens every HID interface once more.
    const std::vector<ControllerAccess> refused =
        connected ? std::vector<ControllerAccess>{} : FindControllersInUse();
    const ControllerStatus status = StatusOfController(connected, refused);
    const std::wstring pattern =
        LoadResourceString(resources, static_cast<UINT>(StatusLineStringId(status.presence)));
    const std::wstring text = FillPlaceholders(pattern, WideFromUtf8(status.path));
    SetDlgItemTextW(dialog, IDC_STATUS_LINE, text.c_str());
}

}  // namespace norvessa::win32
