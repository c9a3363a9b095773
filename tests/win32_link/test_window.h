#pragma once
// A plain top-level window standing in for the main dialog: child push buttons 2 and 1000 to
// 1007, WM_DEVICECHANGE handed to the controller link, and the link released on WM_DESTROY.
// Needs a display under Wine.

#include <cstdint>
#include <string>
#include <vector>

#include "controller/win32/hid_api.h"

namespace norvessa::test {

// Whether Wine was given an X display; without one no window can be created.
bool HaveDisplay();

class TestWindow {
  public:
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    bool ButtonEnabled(int id) const;
    // Enabled state of 1000 to 1007 in order.
    std::vector<bool> CommandButtonsEnabled() const;
    void Destroy();

    // Delivers WM_DEVICECHANGE the way the system does, to the window procedure.
    LRESULT SendDeviceChange(WPARAM eventType, const void* broadcast) const;

  private:
    HWND hwnd_ = nullptr;
};

// A DEV_BROADCAST_DEVICEINTERFACE_W for `name`, written field by field. `declaredSize`
// replaces the size the header states (0: the true size).
struct Broadcast {
    std::vector<std::uint64_t> storage;  // 8-byte words keep the record aligned
    const void* data() const { return storage.data(); }
};
Broadcast InterfaceBroadcast(const std::wstring& name, DWORD declaredSize = 0,
                             DWORD deviceType = DBT_DEVTYP_DEVICEINTERFACE);
// A DEV_BROADCAST_VOLUME for drive D:.
Broadcast VolumeBroadcast();

}  // namespace norvessa::test
