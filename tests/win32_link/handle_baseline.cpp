// The first window, the first device-notification registration and the first use of the HID
// and device services make Wine keep handles for the rest of the process's life, some of them
// opened later by a thread of its own. This runs all of them once before any test, and waits
// for the count to settle, so the tests' handle counts see only what the link holds.
#include <gtest/gtest.h>

#include "controller/controller_link.h"
#include "controller/win32/controller_state.h"
#include "controller/win32/win32_hid_platform.h"
#include "process_handles.h"
#include "test_window.h"

namespace norvessa {
namespace {

class HandleBaseline : public ::testing::Environment {
  public:
    void SetUp() override {
        {
            test::TestWindow window;
            SetUpControllerLink(window.hwnd());
        }
        Win32HidPlatform platform;
        ControllerLink(platform, {}).FindController();
        test::SettledHandleCount();
    }
};

[[maybe_unused]] ::testing::Environment* const kHandleBaseline =
    ::testing::AddGlobalTestEnvironment(new HandleBaseline);

}  // namespace
}  // namespace norvessa
