// The tables generated from the resource script, the language the locale picks, and the
// conversion of dialog units to pixels.

#include <gtest/gtest.h>

#include <QFile>
#include <QFontMetrics>
#include <QRegularExpression>

#include "app/dialog_units.h"
#include "app/linux/dialog_layout.h"
#include "app/linux/resource_texts.h"
#include "resource.h"

namespace norvessa::ui {
namespace {

struct ButtonCase {
    int id;
    const char* english;
    const char* chinese;
    DialogRect englishRect;
    int chineseWidth;
};

// The captions and places of dialog 102, typos included, as the product shows them.
const ButtonCase BUTTONS[] = {
    {IDC_QUIT, "Quit", "退出", {232, 204, 66, 41}, 63},
    {IDC_CALIBRATE_4, "4 Point Calibration", "4 点校准", {25, 37, 69, 40}, 69},
    {IDC_CALIBRATE_9, "9 Point Calibration", "9 点校准", {130, 37, 65, 41}, 65},
    {IDC_CALIBRATE_16, "16 Point Calibartion", "16 点校准", {232, 37, 66, 41}, 63},
    {IDC_CALIBRATE_25, "25 Point Calibartion", "25 点校准", {26, 120, 68, 41}, 68},
    {IDC_RESET, "Reset", "重置", {130, 204, 66, 41}, 66},
    {IDC_CALIBRATE_12, "12 Point Calibration", "12 点校准", {130, 121, 65, 40}, 65},
    {IDC_CALIBRATE_15, "15 Point Calibartion", "15 点校准", {232, 120, 66, 40}, 63},
    {IDC_CALIBRATE_20, "20 Point Calibartion", "20 点校准", {26, 204, 68, 40}, 68},
};

TEST(ResourceTables, MainDialogInBothLanguagesInTemplateOrder) {
    for (UiLanguage language : {UiLanguage::English, UiLanguage::ChineseSimplified}) {
        const DialogTemplate* dialog = FindDialog(language, IDD_NORVESSA_DIALOG);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->language, language);
        EXPECT_STREQ(dialog->caption, "Norvessa");
        EXPECT_EQ(dialog->width, 331);
        EXPECT_EQ(dialog->height, 282);
        EXPECT_EQ(dialog->fontPoints, 8);
        // The buttons, then the status line: a static text in the band above them.
        ASSERT_EQ(dialog->controls.size(), std::size(BUTTONS) + 1);
        const ControlTemplate& status = dialog->controls.back();
        EXPECT_EQ(status.id, IDC_STATUS_LINE);
        EXPECT_EQ(status.kind, ControlKind::Ltext);
        EXPECT_STREQ(status.text, "");
        EXPECT_EQ(status.rect, (DialogRect{25, 10, 273, 20}));
        for (std::size_t i = 0; i < std::size(BUTTONS); ++i) {
            const ButtonCase& expected = BUTTONS[i];
            const ControlTemplate& control = dialog->controls[i];
            SCOPED_TRACE(expected.english);
            EXPECT_EQ(control.id, expected.id);
            EXPECT_EQ(control.kind, ControlKind::Pushbutton);
            const bool english = language == UiLanguage::English;
            EXPECT_STREQ(control.text, english ? expected.english : expected.chinese);
            DialogRect rect = expected.englishRect;
            rect.width = english ? rect.width : expected.chineseWidth;
            EXPECT_EQ(control.rect, rect);
        }
    }
}

TEST(ResourceTables, StringTableInBothLanguages) {
    struct Entry {
        int id;
        const char* english;
        const char* chinese;
    };
    const Entry entries[] = {
        {IDS_ABOUTBOX, "&About Norvessa...", "&About Norvessa..."},
        {IDS_CALIBRATION_SUCCEED, "Calibration succeed!", "校准成功!"},
        {IDS_CALIBRATION_FAILED, "Calibration failed,retry again?", "校准失败,需要重新校准么?"},
        {IDS_RESET_SUCCEED, "Reset succeed", "重置成功"},
        {IDS_RESET_FAILED, "Reset failed", "重置失败"},
        {IDS_GUIDE_INSTRUCTION, "Touch the centre of the cross, hold still, then lift",
         "请触摸十字中心，保持不动，然后抬起"},
        {IDS_GUIDE_PROGRESS, "Target %1 of %2", "第 %1 个目标，共 %2 个"},
        {IDS_HINT_HOLD_LONGER, "Hold still a little longer", "请再多按住一会儿"},
        {IDS_HINT_TOO_MUCH_MOVEMENT, "Too much movement", "移动幅度过大"},
        {IDS_WAITING_FOR_CONTROLLER, "Waiting for the controller…", "正在等待控制器…"},
        {IDS_CALIBRATION_TIMED_OUT, "Calibration timed out", "校准超时"},
        {IDS_GUIDE_COUNTDOWN, "Closing in %1 s", "%1 秒后关闭"},
        {IDS_STATUS_NO_CONTROLLER, "No touch controller found", "未找到触摸控制器"},
        {IDS_STATUS_ACCESS_DENIED,
         "Touch controller found on %1 but access was denied: install the udev rule (see README)",
         "在 %1 上找到触摸控制器，但访问被拒绝：请安装 udev 规则（见 README）"},
        {IDS_STATUS_CONNECTED, "Touch controller connected", "触摸控制器已连接"},
        {IDS_STATUS_SCREEN, "Calibration covers screen %1 (%2 pixels)",
         "校准将覆盖屏幕 %1（%2 像素）"},
        {IDS_STATUS_IN_USE, "Touch controller in use by another program",
         "触摸控制器正被其他程序使用"},
        {IDS_CONTROLLER_NOT_RESPONDING, "The touch controller is not responding",
         "触摸控制器没有响应"},
        {IDS_CHECK_MENU, "Check calibration…", "检查校准…"},
        {IDS_CHECK_SUMMARY_MM, "Largest error %1 mm (%2 px), %3; mean %4 mm: %5",
         "最大误差 %1 毫米（%2 像素），%3；平均 %4 毫米：%5"},
        {IDS_DIAG_ROTATED, "Touches are turned by %1° clockwise", "触摸顺时针旋转了 %1°"},
        {IDS_REMEDY_X11, "touch “Map to this monitor”", "请触摸“映射到此显示器”"},
        {IDS_MAP_FAILED, "The touch screen could not be mapped to this monitor",
         "无法将触摸屏映射到此显示器"},
    };
    for (const Entry& entry : entries) {
        EXPECT_EQ(LoadResourceString(UiLanguage::English, entry.id),
                  QString::fromUtf8(entry.english));
        EXPECT_EQ(LoadResourceString(UiLanguage::ChineseSimplified, entry.id),
                  QString::fromUtf8(entry.chinese));
    }
    EXPECT_TRUE(LoadResourceString(UiLanguage::English, 4711).isEmpty());
}

TEST(ResourceTables, AboutBoxFallsBackToTheEnglishCopyAndCarriesTheVersion) {
    const DialogTemplate* english = FindDialog(UiLanguage::English, IDD_ABOUTBOX);
    ASSERT_NE(english, nullptr);
    EXPECT_EQ(FindDialog(UiLanguage::ChineseSimplified, IDD_ABOUTBOX), english);
    EXPECT_STREQ(english->caption, "About Norvessa");
    const ControlTemplate* version = FindControl(*english, IDC_ABOUT_VERSION);
    ASSERT_NE(version, nullptr);
    EXPECT_STREQ(version->text, "Version 1.0.0.1");
    const ControlTemplate* icon = FindControl(*english, IDC_ABOUT_ICON);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->kind, ControlKind::Icon);
    EXPECT_EQ(FindDialog(UiLanguage::English, 4711), nullptr);
}

// Every quoted caption and string of the script is in the tables: nothing was dropped or
// mangled on the way, whatever the parser's shortcuts.
TEST(ResourceTables, EveryQuotedTextOfTheScriptIsInTheTables) {
    QFile script(QStringLiteral(NORVESSA_RESOURCE_SCRIPT));
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(script.readAll());
    QStringList known;
    for (const DialogTemplate& dialog : AllDialogs()) {
        known << QString::fromUtf8(dialog.caption);
        for (const ControlTemplate& control : dialog.controls) {
            if (control.text != nullptr) {
                known << QString::fromUtf8(control.text);
            }
        }
    }
    for (const StringEntry& entry : AllStrings()) {
        known << QString::fromUtf8(entry.text);
    }
    const QRegularExpression line(
        QStringLiteral(R"(^\s*(?:PUSHBUTTON|CAPTION|IDS_\w+)\s+"([^"]*)\")"),
        QRegularExpression::MultilineOption);
    int checked = 0;
    for (auto match = line.globalMatch(text); match.hasNext(); ++checked) {
        const QString quoted = match.next().captured(1);
        EXPECT_TRUE(known.contains(quoted)) << quoted.toStdString();
    }
    EXPECT_EQ(checked, 2 * 9 + 3 + 2 * 57);
}

TEST(LanguageChoice, SimplifiedChineseLocalesOnly) {
    struct Case {
        const char* locale;
        UiLanguage expected;
    };
    const Case cases[] = {
        {"zh_CN", UiLanguage::ChineseSimplified},
        {"zh_SG", UiLanguage::ChineseSimplified},
        {"zh_TW", UiLanguage::English},
        {"zh_HK", UiLanguage::English},
        {"en_US", UiLanguage::English},
        {"de_DE", UiLanguage::English},
        {"C", UiLanguage::English},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LanguageForLocale(QLocale(QString::fromLatin1(c.locale))), c.expected)
            << c.locale;
    }
}

TEST(DialogUnits, BaseUnitsRoundTheAverageLetterWidth) {
    // 52 letters 311 px wide average 5.98 px: 6. 285 px average 5.48: 5. 286 px: 5.5 rounds up.
    EXPECT_EQ(BaseUnitsFromFont(311, 13), (DialogBaseUnits{6, 13}));
    EXPECT_EQ(BaseUnitsFromFont(285, 13), (DialogBaseUnits{5, 13}));
    EXPECT_EQ(BaseUnitsFromFont(286, 16), (DialogBaseUnits{6, 16}));
}

TEST(DialogUnits, ConvertLikeTheWindowsDialogManager) {
    // Base units 6 x 13, those of the Windows dialog font at 96 dpi.
    const DialogBaseUnits base{6, 13};
    EXPECT_EQ(DialogRectToPixels({331, 282, 0, 0}, base), (DialogRect{497, 458, 0, 0}));
    EXPECT_EQ(DialogRectToPixels({232, 204, 66, 41}, base), (DialogRect{348, 332, 99, 67}));
    EXPECT_EQ(DialogRectToPixels({25, 37, 69, 40}, base), (DialogRect{38, 60, 104, 65}));
    EXPECT_EQ(MulDivRounded(-5, 6, 4), -8);  // halves round away from zero
    EXPECT_EQ(MulDivRounded(7, 3, 0), -1);
}

TEST(DialogUnits, BaseUnitsComeFromTheDialogFontsMetrics) {
    const QFont font = DialogFont(8);
    const QFontMetrics metrics(font);
    const DialogBaseUnits base = BaseUnitsFor(font);
    const int letters = metrics.horizontalAdvance(QString::fromLatin1(BASE_UNIT_LETTERS));
    EXPECT_EQ(base.x, (letters / 26 + 1) / 2);
    EXPECT_EQ(base.y, metrics.ascent() + metrics.descent());
    EXPECT_GT(base.x, 0);
}

}  // namespace
}  // namespace norvessa::ui
