#include "ui/win32/application.h"

namespace norvessa::win32 {
namespace {

// The command line without the program's name, split off as CommandLineToArgvW does: a
// quoted name ends at the next quote, a bare one at the first blank.
const wchar_t* ArgumentsAfterProgramName(const wchar_t* line) {
    if (*line == L'"') {
        ++line;
        while (*line != L'\0' && *line++ != L'"') {
        }
    } else {
        while (*line != L'\0' && *line != L' ' && *line != L'\t') {
            ++line;
        }
    }
    while (*line == L' ' || *line == L'\t') {
        ++line;
    }
    return line;
}

}  // namespace

int CApplication::Run() {
    if (InitInstance()) {
        MSG message{};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        exitCode_ = static_cast<int>(message.wParam);
    }
    return ExitInstance();
}

BOOL CApplication::InitInstance() {
    if ((restartSupportFlags_ & RESTART_SUPPORT_RESTART) != 0) {
        // The restarted instance gets this one's arguments (--screen, --calibrate and the
        // rest); the restart manager puts the program's name in front itself. Arguments
        // longer than it takes leave the program without a restart.
        RegisterApplicationRestart(ArgumentsAfterProgramName(GetCommandLineW()), 0);
    }
    return TRUE;
}

}  // namespace norvessa::win32
