// The main dialog inside the test process, inspected right after its initialisation and
// then ended with the OK command.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/status_line.h"
#include "app/win32/norvessa_dlg.h"
#include "app/win32/status_line_view.h"
#include "app/win32/system_menu.h"
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

struct MenuItem {
    UINT id;
    std::wstring text;
    bool separator;
    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

void PrintTo(const MenuItem& item, std::ostream* out) {
    *out << item.id << (item.separator ? " separator " : " ") << testing::PrintToString(item.text);
}

TEST(MainDialogTest, SystemMenuEndsWithASeparatorTheAboutEntryAndTheCheckEntry) {
    std::vector<MenuItem> last;
    InspectedMainDialog dialog([&](HWND hwnd) {
        HMENU menu = GetSystemMenu(hwnd, FALSE);
        const int count = GetMenuItemCount(menu);
        for (int position = std::max(count - 3, 0); position < count; ++position) {
            wchar_t text[64] = {};
            GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE;
            GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
            last.push_back(
                {GetMenuItemID(menu, position), text, (info.fType & MFT_SEPARATOR) != 0});
        }
    });

    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.initResult);
    const std::vector<MenuItem> expected = {
        {0, L"", true},
        {IDM_ABOUTBOX, L"&About Norvessa...", false},
        {IDM_CHECK_CALIBRATION, L"Check calibration\u2026", false},
    };
    EXPECT_EQ(last, expected);
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

// After a successful calibration the controller's line ends in the check's link: with the
// longest controller line and a monitor note still two lines, and only the link's own place on
// the line starts the check.
TEST(MainDialogTest, TheCheckLinkFitsOnTheControllerLineAndOnlyItsPlaceIsTheLink) {
    int needed = 0;
    int lineHeight = 0;
    std::wstring shown;
    std::vector<std::pair<const char*, bool>> hits;
    InspectedMainDialog dialog([&](HWND hwnd) {
        HINSTANCE resources = GetModuleHandleW(nullptr);
        const std::wstring controller = LoadResourceString(resources, IDS_STATUS_IN_USE);
        ShowStatusLine(hwnd, resources, controller, true);
        HWND line = GetDlgItem(hwnd, IDC_STATUS_LINE);
        wchar_t text[512] = {};
        GetWindowTextW(line, text, 512);
        shown = text;
        const std::string note =
            ScreenNote(Utf8FromWide(LoadResourceString(resources, IDS_STATUS_SCREEN)), 1,
                       "\\\\.\\DISPLAY2", 3840, 2160);
        const std::wstring firstLine = shown.substr(0, shown.find(L"\r\n"));
        const std::wstring both = firstLine + L"\r\n" + WideFromUtf8(note);
        RECT client{};
        GetClientRect(line, &client);
        HDC dc = GetDC(line);
        const HGDIOBJ previous =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(line, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        lineHeight = metrics.tmHeight;
        RECT measured{0, 0, client.right, 0};
        DrawTextW(dc, both.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        needed = measured.bottom;
        SIZE lineSize{};
        GetTextExtentPoint32W(dc, firstLine.c_str(), static_cast<int>(firstLine.size()), &lineSize);
        SelectObject(dc, previous);
        ReleaseDC(line, dc);
        // Places on the line in the dialog's client pixels.
        POINT origin{0, 0};
        MapWindowPoints(line, hwnd, &origin, 1);
        const LONG middle = origin.y + lineHeight / 2;
        const std::vector<std::pair<const char*, POINT>> places = {
            {"the link's last letters", {origin.x + lineSize.cx - 4, middle}},
            {"the controller's first words", {origin.x + 4, middle}},
            {"past the link", {origin.x + lineSize.cx + 20, middle}},
            {"well below the line", {origin.x + lineSize.cx - 4, origin.y + 3 * lineHeight}},
        };
        for (const auto& [name, at] : places) {
            hits.emplace_back(name, IsOnCheckLink(hwnd, resources, controller, at));
        }
    });

    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(shown.find(L"Check the calibration") != std::wstring::npos)
        << testing::PrintToString(shown);
    ASSERT_GT(lineHeight, 0);
    EXPECT_EQ(needed, 2 * lineHeight) << "a line wraps";
    const std::vector<std::pair<const char*, bool>> expected = {
        {"the link's last letters", true},
        {"the controller's first words", false},
        {"past the link", false},
        {"well below the line", false},
    };
    ASSERT_EQ(hits.size(), expected.size());
    for (std::size_t i = 0; i < hits.size(); ++i) {
        EXPECT_EQ(hits[i].second, expected[i].second) << hits[i].first;
    }
}

}  // namespace

}  // namespace norvessa::win32
