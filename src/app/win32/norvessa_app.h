#pragma once
// The application object: starts the platform pieces the program needs, runs the main
// dialog modally and ends the program when it returns.

#include "application.h"

namespace norvessa::win32 {

class CNorvessaApp : public CApplication {
  public:
    CNorvessaApp();

  protected:
    BOOL InitInstance() override;
};

}  // namespace norvessa::win32
