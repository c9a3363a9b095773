// The main dialog inside the test process, inspected right after its initialisation and
// then ended with the OK command.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "norvessa_dlg.h"
#include "resource.h"

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

}  // namespace

}  // namespace norvessa::win32
