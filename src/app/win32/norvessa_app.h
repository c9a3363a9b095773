#pragma once
// The application object: starts the platform pieces the program needs, runs the main
// dialog modally and ends the program when it returns.

#include "app/win32/norvessa_dlg.h"
#include "ui/win32/application.h"

namespace norvessa::win32 {

class CNorvessaApp : public CApplication {
  public:
    explicit CNorvessaApp(MainDialogOptions options = {});
    // Before Run: what the command line changes about the main dialog.
    void SetMainDialogOptions(MainDialogOptions options) { options_ = std::move(options); }

  protected:
    BOOL InitInstance() override;

  private:
    MainDialogOptions options_;
};

}  // namespace norvessa::win32
