#pragma once
// An application process started for a UI test. The process never outlives its owner: the
// destructor ends a process that is still running.

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "controller/win32/win32_handles.h"

namespace norvessa::automation {

using namespace std::chrono_literals;

// Generous, since a cold Wine may take seconds to show the first window.
inline constexpr std::chrono::milliseconds WINDOW_TIMEOUT = 20s;

class LaunchedApp {
  public:
    // Starts the executable (a Windows path, or a Unix path that Wine maps through Z:) with
    // the arguments, if any. Throws std::runtime_error when the process cannot be created.
    explicit LaunchedApp(const std::wstring& executable, const std::wstring& arguments = {});
    ~LaunchedApp();
    LaunchedApp(const LaunchedApp&) = delete;
    LaunchedApp& operator=(const LaunchedApp&) = delete;

    DWORD processId() const { return processId_; }

    // The process's unowned dialog window, once it is visible; null after the time-out or
    // as soon as the process has ended.
    HWND WaitForMainDialog(std::chrono::milliseconds timeout = WINDOW_TIMEOUT) const;

    // A visible dialog of the process owned by `owner`; null as above.
    HWND WaitForOwnedDialog(HWND owner, std::chrono::milliseconds timeout = WINDOW_TIMEOUT) const;

    // The exit code once the process has ended; nullopt if it still runs after the time-out.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout = WINDOW_TIMEOUT) const;

    bool IsRunning() const;

  private:
    HWND WaitForDialog(std::chrono::milliseconds timeout,
                       const std::function<bool(HWND)>& matches) const;

    UniqueKernelHandle job_;
    UniqueKernelHandle process_;
    DWORD processId_ = 0;
};

// "/work/x/app.exe" -> "Z:\work\x\app.exe"; other paths unchanged.
std::wstring ToWindowsPath(const std::wstring& path);

}  // namespace norvessa::automation
