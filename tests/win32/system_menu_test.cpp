// The About and check entries of the main dialog's system menu.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/win32/system_menu.h"
#include "resource.h"

namespace norvessa::win32 {

namespace {

class PopupMenu {
  public:
    PopupMenu() : menu_(CreatePopupMenu()) {}
    ~PopupMenu() { DestroyMenu(menu_); }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    HMENU get() const { return menu_; }

  private:
    HMENU menu_;
};

std::wstring ItemText(HMENU menu, int position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
    return text;
}

TEST(SystemMenuTest, AboutEntryFollowsASeparatorAtTheEnd) {
    PopupMenu menu;
    AppendMenuW(menu.get(), MF_STRING, SC_CLOSE, L"Close");
    AppendAboutEntry(menu.get(), IDM_ABOUTBOX, L"&About Norvessa...");

    ASSERT_EQ(GetMenuItemCount(menu.get()), 3);
    MENUITEMINFOW separator{};
    separator.cbSize = sizeof(separator);
    separator.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(menu.get(), 1, TRUE, &separator));
    EXPECT_TRUE(separator.fType & MFT_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(menu.get(), 2), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(ItemText(menu.get(), 2), L"&About Norvessa...");
}

TEST(SystemMenuTest, CheckEntryFollowsAboutWithoutASeparator) {
    PopupMenu menu;
    AppendMenuW(menu.get(), MF_STRING, SC_CLOSE, L"Close");
    AppendAboutEntry(menu.get(), IDM_ABOUTBOX, L"&About Norvessa...");
    AppendCheckEntry(menu.get(), IDM_CHECK_CALIBRATION, L"Check calibration\u2026");

    ASSERT_EQ(GetMenuItemCount(menu.get()), 4);
    EXPECT_EQ(GetMenuItemID(menu.get(), 2), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(GetMenuItemID(menu.get(), 3), static_cast<UINT>(IDM_CHECK_CALIBRATION));
    EXPECT_EQ(ItemText(menu.get(), 3), L"Check calibration\u2026");
    // A system command's low four bits are the system's own.
    EXPECT_EQ(IDM_CHECK_CALIBRATION & 0xF, 0u);
    EXPECT_LT(IDM_CHECK_CALIBRATION, 0xF000u);
    EXPECT_NE(IDM_CHECK_CALIBRATION, static_cast<UINT>(IDM_ABOUTBOX));
}

TEST(SystemMenuTest, EmptyTextAddsNeitherSeparatorNorEntry) {
    PopupMenu menu;
    AppendMenuW(menu.get(), MF_STRING, SC_CLOSE, L"Close");
    AppendAboutEntry(menu.get(), IDM_ABOUTBOX, L"");
    AppendCheckEntry(menu.get(), IDM_CHECK_CALIBRATION, L"");
    EXPECT_EQ(GetMenuItemCount(menu.get()), 1);
}

}  // namespace

}  // namespace norvessa::win32
