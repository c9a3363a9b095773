#pragma once
// The main dialog: nine buttons, the About entry of its system menu, its icon, and the way
// the program ends.

#include "message_map.h"
#include "modal_dialog.h"

namespace norvessa::win32 {

class CNorvessaDlg : public CModalDialog {
  public:
    explicit CNorvessaDlg(HWND parent = nullptr);

  protected:
    BOOL OnInitDialog() override;
    std::optional<MessageResult> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    MessageResult OnSysCommand(WPARAM wParam, LPARAM lParam);
    MessageResult OnPaint(WPARAM wParam, LPARAM lParam);
    MessageResult OnQueryDragIcon(WPARAM wParam, LPARAM lParam);
    void OnBnClickedQuit();

    void AddAboutEntry();
    BOOL SetUpControllerLink();
    void PaintIconWhileMinimised();

    static const MessageMap<CNorvessaDlg>& GetMessageMap();

    // A shared icon from LoadIconW: the system owns it, so nothing here destroys it.
    HICON m_hIcon;
};

}  // namespace norvessa::win32
