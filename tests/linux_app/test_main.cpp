// Runs the tests under Qt's offscreen platform. With --child ACTION it is instead the whole
// application over a simulated controller, on which ACTION is performed once the main dialog
// shows: the exit-code tests start it that way as a child process.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/linux/application.h"
#include "resource.h"
#include "seqpacket_peer.h"

namespace {

constexpr int CHILD_GIVE_UP_MS = 10000;
constexpr int CHILD_EXIT_NOTHING_HAPPENED = 3;

void Perform(const std::string& action, norvessa::ui::CNorvessaDlg& dialog) {
    if (action == "quit") {
        dialog.button(IDC_QUIT)->click();
    } else if (action == "escape") {
        QTest::keyClick(&dialog, Qt::Key_Escape);
    } else if (action == "close") {
        dialog.close();
    } else if (action == "enter-on-quit") {
        QTest::keyClick(dialog.button(IDC_QUIT), Qt::Key_Return);
    } else if (action == "enter-no-focus") {
        if (QWidget* focused = dialog.focusWidget()) {
            focused->clearFocus();
        }
        QTest::keyClick(&dialog, Qt::Key_Return);
    } else if (action == "report-captions") {
        // What the user's locale chose: the main dialog's button captions, one a line.
        for (int id : {IDC_QUIT, IDC_CALIBRATE_4, IDC_RESET}) {
            std::printf("%s\n", dialog.button(id)->text().toUtf8().constData());
        }
        std::fflush(stdout);
        ::_exit(0);
    }
}

int RunChild(int argc, char** argv, std::string action) {
    norvessa::sim::SeqpacketPeer peer;
    norvessa::ReadyController ready{.fd = peer.TakeHostFd()};
    ::fcntl(ready.fd.get(), F_SETFL, ::fcntl(ready.fd.get(), F_GETFL) | O_NONBLOCK);
    norvessa::ui::ApplicationOptions options;
    options.mainDialog.readyController = std::move(ready);
    options.beforeModalRun = [action](norvessa::ui::CNorvessaDlg& dialog) {
        QTimer::singleShot(0, &dialog, [action, &dialog] {
            if (!QTest::qWaitForWindowExposed(&dialog)) {
                ::_exit(CHILD_EXIT_NOTHING_HAPPENED);
            }
            Perform(action, dialog);
        });
        QTimer::singleShot(CHILD_GIVE_UP_MS, [] { ::_exit(CHILD_EXIT_NOTHING_HAPPENED); });
    };
    return norvessa::ui::RunApplication(argc, argv, std::move(options));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        int childArgc = 1;
        return RunChild(childArgc, argv, argv[2]);
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvessa"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
