// The main dialog: layout from dialog 102, focus and tab order, buttons that follow the
// controller, the About box, and which starts it accepts.

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "app/linux/about_dlg.h"
#include "app/linux/dialog_layout.h"
#include "app_fixture.h"
#include "resource.h"
#include "ui_script.h"

namespace norvessa::test {
namespace {

constexpr int TAB_ORDER[] = {IDC_QUIT,         IDC_CALIBRATE_4,  IDC_CALIBRATE_9,
                             IDC_CALIBRATE_16, IDC_CALIBRATE_25, IDC_RESET,
                             IDC_CALIBRATE_12, IDC_CALIBRATE_15, IDC_CALIBRATE_20};
constexpr int COMMAND_BUTTONS[] = {IDC_CALIBRATE_4,  IDC_CALIBRATE_9, IDC_CALIBRATE_16,
                                   IDC_CALIBRATE_25, IDC_RESET,       IDC_CALIBRATE_12,
                                   IDC_CALIBRATE_15, IDC_CALIBRATE_20};

class MainDialogTest : public AppTest {
  protected:
    void ExpectCommandButtons(bool enabled) {
        for (int id : COMMAND_BUTTONS) {
            EXPECT_EQ(dialog_->button(id)->isEnabled(), enabled) << id;
        }
        EXPECT_TRUE(dialog_->button(IDC_QUIT)->isEnabled());
    }
};

class MainDialogLanguage : public MainDialogTest,
                           public ::testing::WithParamInterface<ui::UiLanguage> {};

TEST_P(MainDialogLanguage, LaysTheTemplateOutInDialogUnitsOfItsFont) {
    MakeDialog(GetParam());
    const ui::DialogTemplate* dialog = ui::FindDialog(GetParam(), IDD_NORVESSA_DIALOG);
    ASSERT_NE(dialog, nullptr);
    const DialogBaseUnits base = ui::BaseUnitsFor(dialog_->font());
    EXPECT_EQ(dialog_->font().pointSize(), 8);
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Norvessa"));
    EXPECT_EQ(dialog_->size(), ui::ToPixels(331, 282, base));
    EXPECT_EQ(dialog_->minimumSize(), dialog_->maximumSize());
    for (const ui::ControlTemplate& control : dialog->controls) {
        if (control.kind != ui::ControlKind::Pushbutton) {
            continue;  // the status line, checked with its texts
        }
        QPushButton* button = dialog_->button(control.id);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(control.text));
        EXPECT_EQ(button->geometry(), ui::ToPixels(control.rect, base)) << control.id;
    }
    const Qt::WindowFlags flags = dialog_->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, MainDialogLanguage,
                         ::testing::Values(ui::UiLanguage::English,
                                           ui::UiLanguage::ChineseSimplified));

TEST_F(MainDialogTest, QuitHasTheFocusAndTabFollowsTheTemplate) {
    MakeDialog();
    dialog_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    EXPECT_EQ(QApplication::focusWidget(), dialog_->button(IDC_QUIT));
    for (std::size_t i = 1; i < std::size(TAB_ORDER); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog_->button(TAB_ORDER[i])) << TAB_ORDER[i];
    }
}

TEST_F(MainDialogTest, CommandButtonsAreEnabledExactlyWhileAControllerIsCurrent) {
    MakeDialog(ui::UiLanguage::English, false);
    EXPECT_EQ(dialog_->controllerLink().current(), nullptr);
    ExpectCommandButtons(false);

    ASSERT_TRUE(dialog_->controllerLink().InstallReadyController(PlugInNewController()));
    ExpectCommandButtons(true);
    EXPECT_GE(g_controllerFd, 0);

    // A second controller while one is current changes nothing.
    auto spare = std::make_unique<sim::SeqpacketPeer>();
    EXPECT_FALSE(dialog_->controllerLink().InstallReadyController({.fd = spare->TakeHostFd()}));
    ExpectCommandButtons(true);

    const std::string path = dialog_->controllerLink().current()->path();
    dialog_->controllerLink().link().OnRemoval("/dev/hidraw-other");
    ExpectCommandButtons(true);
    dialog_->controllerLink().link().OnRemoval(path);
    ExpectCommandButtons(false);
    EXPECT_EQ(g_controllerFd, -1);
}

// The status line follows the controller in the dialog's language and is never focused; its
// access-denied case is the sysfs scan's, tested with the link.
TEST_P(MainDialogLanguage, StatusLineSaysWhetherAControllerIsConnected) {
    const bool english = GetParam() == ui::UiLanguage::English;
    MakeDialog(GetParam(), false);
    QLabel* status = dialog_->statusLine();
    ASSERT_NE(status, nullptr);
    const ui::DialogTemplate* dialog = ui::FindDialog(GetParam(), IDD_NORVESSA_DIALOG);
    const ui::ControlTemplate* control = ui::FindControl(*dialog, IDC_STATUS_LINE);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(status->geometry(), ui::ToPixels(control->rect, ui::BaseUnitsFor(dialog_->font())));
    EXPECT_EQ(status->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(status->text(), english ? QStringLiteral("No touch controller found")
                                      : QStringLiteral("未找到触摸控制器"));
    ASSERT_TRUE(dialog_->controllerLink().InstallReadyController(PlugInNewController()));
    EXPECT_EQ(status->text(), english ? QStringLiteral("Touch controller connected")
                                      : QStringLiteral("触摸控制器已连接"));
    dialog_->controllerLink().link().OnRemoval(dialog_->controllerLink().current()->path());
    EXPECT_EQ(status->text(), english ? QStringLiteral("No touch controller found")
                                      : QStringLiteral("未找到触摸控制器"));
}

TEST_F(MainDialogTest, ControllerPresentAtStartEnablesEveryCommand) {
    MakeDialog();
    ExpectCommandButtons(true);
}

TEST_F(MainDialogTest, F1OpensTheAboutBox) {
    MakeDialog();
    QString caption;
    QStringList labels;
    bool hadIcon = false;
    UiScript script;
    script.When(
        "About box", [] { return dynamic_cast<ui::CAboutDlg*>(QApplication::activeModalWidget()); },
        [&] {
            QWidget* about = QApplication::activeModalWidget();
            caption = about->windowTitle();
            for (QLabel* label : about->findChildren<QLabel*>()) {
                if (!label->pixmap().isNull()) {
                    hadIcon = true;
                } else {
                    labels << label->text();
                }
            }
            QTest::keyClick(about, Qt::Key_Return);
        });
    script.Start();
    QTest::keyClick(dialog_.get(), Qt::Key_F1);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_EQ(caption, QStringLiteral("About Norvessa"));
    EXPECT_TRUE(labels.contains(QStringLiteral("Norvessa")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Version 1.0.0.1")));
    EXPECT_TRUE(hadIcon);
}

TEST_F(MainDialogTest, ContextMenuOffersTheAboutEntry) {
    MakeDialog();
    QString entry;
    bool aboutShown = false;
    UiScript script;
    script
        .When(
            "context menu", [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
            [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                // About first; the check's entry below it (check_test.cpp).
                ASSERT_EQ(menu->actions().size(), 2);
                entry = menu->actions().front()->text();
                menu->actions().front()->trigger();
                menu->close();
            })
        .When(
            "About box",
            [] { return dynamic_cast<ui::CAboutDlg*>(QApplication::activeModalWidget()); },
            [&] {
                aboutShown = true;
                QApplication::activeModalWidget()->close();
            });
    script.Start();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            dialog_->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(dialog_.get(), &event);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_EQ(entry, QStringLiteral("&About Norvessa..."));
    EXPECT_TRUE(aboutShown);
}

// A queued start with a count other than the seven does nothing; one of the seven runs.
TEST_F(MainDialogTest, QueuedStartsRunOnlyTheSevenCounts) {
    MakeDialog();
    for (long long count : {0LL, 7LL, -9LL, 26LL, 4294967305LL}) {
        dialog_->PostStartCalibration(count);
    }
    QTest::qWait(200);
    EXPECT_EQ(ReceivedCount(), 0u);
    EXPECT_EQ(VisibleCalibration(), nullptr);

    int setupCount = -1;
    UiScript script;
    script.When(
        "calibration window and its opening frames",
        [&] { return VisibleCalibration() != nullptr && ReceivedCount() >= 2; },
        [&] {
            setupCount = Progress().pointCount;
            QTest::keyClick(VisibleCalibration(), Qt::Key_Escape);
        });
    script.Start();
    dialog_->PostStartCalibration(12);
    ASSERT_TRUE(script.WaitUntilFinished()) << script.failure();
    EXPECT_EQ(setupCount, 12);
    EXPECT_EQ(Progress().calibrationsStarted, 1);
}

}  // namespace
}  // namespace norvessa::test
