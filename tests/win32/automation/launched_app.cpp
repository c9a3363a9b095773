#include "launched_app.h"

#include <stdexcept>

#include "window_queries.h"

namespace norvessa::automation {

namespace {

// Exit code given to a process that a test had to end itself.
constexpr UINT ABANDONED_EXIT_CODE = 0xDEAD;

}  // namespace

std::wstring ToWindowsPath(const std::wstring& path) {
    if (path.empty() || path.front() != L'/') {
        return path;
    }
    std::wstring windows = L"Z:" + path;
    for (wchar_t& c : windows) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return windows;
}

LaunchedApp::LaunchedApp(const std::wstring& executable, const std::wstring& arguments)
    : job_(CreateJobObjectW(nullptr, nullptr)) {
    // Closing the job's last handle ends the process too: even a driver that dies on the way
    // leaves no application behind.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof(limits));

    std::wstring commandLine = L"\"" + ToWindowsPath(executable) + L"\"";
    if (!arguments.empty()) {
        commandLine += L" " + arguments;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &info)) {
        throw std::runtime_error("CreateProcessW failed with error " +
                                 std::to_string(GetLastError()));
    }
    UniqueKernelHandle thread(info.hThread);
    process_.reset(info.hProcess);
    processId_ = info.dwProcessId;
    AssignProcessToJobObject(job_.get(), process_.get());
    ResumeThread(thread.get());
}

LaunchedApp::~LaunchedApp() {
    if (IsRunning()) {
        TerminateProcess(process_.get(), ABANDONED_EXIT_CODE);
        WaitForSingleObject(process_.get(), 5000);
    }
}

bool LaunchedApp::IsRunning() const {
    return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

HWND LaunchedApp::WaitForMainDialog(std::chrono::milliseconds timeout) const {
    return WaitForDialog(timeout, [this](HWND hwnd) {
        return IsVisibleDialogOf(hwnd, processId_) && GetWindow(hwnd, GW_OWNER) == nullptr;
    });
}

HWND LaunchedApp::WaitForOwnedDialog(HWND owner, std::chrono::milliseconds timeout) const {
    return WaitForDialog(timeout, [this, owner](HWND hwnd) {
        return IsVisibleDialogOf(hwnd, processId_) && GetWindow(hwnd, GW_OWNER) == owner;
    });
}

HWND LaunchedApp::WaitForDialog(std::chrono::milliseconds timeout,
                                const std::function<bool(HWND)>& matches) const {
    HWND found = nullptr;
    WaitUntil(timeout, [&] {
        found = FindTopLevelWindow(matches);
        return found != nullptr || !IsRunning();
    });
    return found;
}

std::optional<DWORD> LaunchedApp::WaitForExit(std::chrono::milliseconds timeout) const {
    if (WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

}  // namespace norvessa::automation
