#pragma once
// A program run as a script runs it: its standard output and error on pipes, read while it
// runs, its exit code once it has ended.

#include <windows.h>

#include <functional>
#include <string>

namespace norvessa::automation {

struct ChildOutcome {
    bool started = false;
    bool ended = false;  // false: it was ended after the time-out
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};

// Runs `executable` (a Windows path, or a Unix path that Wine maps through Z:) with
// `arguments`; `whileRunning`, when given, gets the process ID and plays the user. A process
// still running `timeoutMs` after that is ended with exit code 0xDEAD.
ChildOutcome RunChild(const std::wstring& executable, const std::wstring& arguments,
                      const std::function<void(DWORD processId)>& whileRunning = {},
                      DWORD timeoutMs = 30000);

// A narrow path as the build gives it (ASCII) as a wide one.
std::wstring WidePath(const char* path);

}  // namespace norvessa::automation
