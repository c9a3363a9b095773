#pragma once
// Base of the application object: one instance per process, constructed at load, whose
// InitInstance does the start-up work (for a dialog-based application, the whole run).

#include <windows.h>

namespace norvessa::win32 {

class CApplication {
  public:
    // Restart-manager support: restart after a crash, hang or update; no recovery callback.
    static constexpr DWORD RESTART_SUPPORT_RESTART = 0x1;

    CApplication() = default;
    virtual ~CApplication() = default;
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // Runs InitInstance; when it returns TRUE, pumps messages until WM_QUIT. Returns the
    // process exit code.
    int Run();

  protected:
    // The base registers with the restart manager when the support flags ask for it.
    virtual BOOL InitInstance();
    virtual int ExitInstance() { return exitCode_; }

    void SetRestartManagerSupport(DWORD flags) { restartSupportFlags_ = flags; }

  private:
    DWORD restartSupportFlags_ = 0;
    int exitCode_ = 0;
};

}  // namespace norvessa::win32
