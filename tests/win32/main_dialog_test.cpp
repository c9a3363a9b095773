// The main dialog inside the test process, inspected right after its initialisation and
// then ended with the OK command.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/status_line.h"
#include "app/win32/norvessa_dlg.h"
#include "controller/win32/wide_text.h"
#include "resource.h"
#include "ui/win32/resource_string.h"

namespace norvessa::win32 {

namespace {

class InspectedMainDialog : public CNorvessaDlg {
  public:
    explicit InspectedMainDialog(std::function<void(HWND)> inspect)
        : inspect_(std::move(inspect)) {}

    BOOL initResult = FALSE;

  protected:
    BOOL OnInitDialog() override {
        initResult = CNorvessaDlg::OnInitDialog();
        inspect_(GetSafeHwnd());
        PostMessageW(GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return initResult;
    }

  private:
    std::function<void(HWND)> inspect_;
};

TEST(MainDialogTest, SystemMenuEndsWithASeparatorAndTheAboutEntry) {
    int count = 0;
    UINT lastId = 0;
    std::wstring lastText;
    UINT beforeLastType = 0;
    InspectedMainDialog dialog([&](HWND hwnd) {
        HMENU menu = GetSystemMenu(hwnd, FALSE);
        count = GetMenuItemCount(menu);
        if (count < 2) {
            return;
        }
        lastId = GetMenuItemID(menu, count - 1);
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
        lastText = text;
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoW(menu, static_cast<UINT>(count - 2), TRUE, &info);
        beforeLastType = info.fType;
    });

    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.initResult);
    ASSERT_GE(count, 2);
    EXPECT_EQ(lastId, static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(lastText, L"&About Norvessa...");
    EXPECT_TRUE(beforeLastType & MFT_SEPARATOR);
}

TEST(MainDialogTest, BigSmallAndDragIconAreTheApplicationIcon) {
    LRESULT bigIcon = 0;
    LRESULT smallIcon = 0;
    LRESULT dragIcon = 0;
    InspectedMainDialog dialog([&](HWND hwnd) {
        bigIcon = SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0);
        smallIcon = SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0);
        dragIcon = SendMessageW(hwnd, WM_QUERYDRAGICON, 0, 0);
    });

    EXPECT_EQ(dialog.DoModal(), IDOK);
    const auto applicationIcon = reinterpret_cast<LRESULT>(
        LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)));
    ASSERT_NE(applicationIcon, 0);
    EXPECT_EQ(bigIcon, applicationIcon);
    EXPECT_EQ(smallIcon, applicationIcon);
    EXPECT_EQ(dragIcon, applicationIcon);
}

// The longest controller line Windows shows and a monitor note for a large monitor, in the
// status line's own font and width: two lines, neither wrapped, within the control. Dialog
// units grow with the font, so what fits here fits at every DPI.
TEST(MainDialogTest, StatusLineHoldsTheControllerLineAndAMonitorNote) {
    int needed = 0;
    int available = 0;
    int lineHeight = 0;
    InspectedMainDialog dialog([&](HWND hwnd) {
        HINSTANCE resources = GetModuleHandleW(nullptr);
        const std::string note =
            ScreenNote(Utf8FromWide(LoadResourceString(resources, IDS_STATUS_SCREEN)), 1,
                       "\\\\.\\DISPLAY2", 3840, 2160);
        const std::wstring text =
            LoadResourceString(resources, IDS_STATUS_IN_USE) + L"\r\n" + WideFromUtf8(note);
        HWND line = GetDlgItem(hwnd, IDC_STATUS_LINE);
        RECT client{};
        GetClientRect(line, &client);
        available = client.bottom;
        HDC dc = GetDC(line);
        const HGDIOBJ previous =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(line, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        lineHeight = metrics.tmHeight;
        RECT measured{0, 0, client.right, 0};
        DrawTextW(dc, text.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        needed = measured.bottom;
        SelectObject(dc, previous);
        ReleaseDC(line, dc);
    });

    EXPECT_EQ(dialog.DoModal(), IDOK);
    ASSERT_GT(lineHeight, 0);
    EXPECT_EQ(needed, 2 * lineHeight) << "a line wraps";
    EXPECT_LE(needed, available);
}

}  // namespace

}  // namespace norvessa::win32
