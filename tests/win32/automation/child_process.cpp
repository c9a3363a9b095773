#include "child_process.h"

#include <thread>

#include "controller/win32/win32_handles.h"
#include "launched_app.h"

namespace norvessa::automation {

namespace {

constexpr DWORD ENDED_AFTER_TIME_OUT = 0xDEAD;

void ReadAll(HANDLE pipe, std::string& text) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
}

}  // namespace

std::wstring WidePath(const char* path) {
    const std::string narrow(path);
    return std::wstring(narrow.begin(), narrow.end());
}

ChildOutcome RunChild(const std::wstring& executable, const std::wstring& arguments,
                      const std::function<void(DWORD)>& whileRunning, DWORD timeoutMs) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    ChildOutcome outcome;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        return outcome;
    }
    const UniqueKernelHandle outReader(outRead);
    UniqueKernelHandle outWriter(outWrite);
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        return outcome;
    }
    const UniqueKernelHandle errReader(errRead);
    UniqueKernelHandle errWriter(errWrite);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::wstring commandLine = L"\"" + ToWindowsPath(executable) + L"\" " + arguments;
    PROCESS_INFORMATION info{};
    outcome.started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                     nullptr, nullptr, &startup, &info) != FALSE;
    // Only the child holds the write ends now: the reads end when it does.
    outWriter.reset();
    errWriter.reset();
    if (!outcome.started) {
        return outcome;
    }
    const UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    std::thread readOut([&] { ReadAll(outRead, outcome.out); });
    std::thread readErr([&] { ReadAll(errRead, outcome.err); });
    if (whileRunning) {
        whileRunning(info.dwProcessId);
    }
    outcome.ended = WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!outcome.ended) {
        TerminateProcess(info.hProcess, ENDED_AFTER_TIME_OUT);
        WaitForSingleObject(info.hProcess, timeoutMs);
    }
    GetExitCodeProcess(info.hProcess, &outcome.exitCode);
    readOut.join();
    readErr.join();
    return outcome;
}

}  // namespace norvessa::automation
