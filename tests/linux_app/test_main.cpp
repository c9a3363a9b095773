// Runs the tests under Qt's offscreen platform. With --child ACTION it is instead the whole
// application over a simulated controller, on which ACTION is performed once the main dialog
// shows: the exit-code, locale and scaled-screen tests start it that way as a child process.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/linux/application.h"
#include "app_fixture.h"
#include "resource.h"
#include "seqpacket_peer.h"
#include "ui_script.h"

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
    } else if (action == "report-box-texts") {
        // The caption of the program's message boxes and Qt's standard buttons in the locale.
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Yes | QMessageBox::No);
        std::printf("%s\n", norvessa::ui::MessageBoxCaption().toUtf8().constData());
        for (auto button : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No}) {
            std::printf("%s\n", box.button(button)->text().toUtf8().constData());
        }
        std::fflush(stdout);
        ::_exit(0);
    } else if (action == "report-captions") {
        // What the user's locale chose: the main dialog's button captions, one a line.
        for (int id : {IDC_QUIT, IDC_CALIBRATE_4, IDC_RESET}) {
            std::printf("%s\n", dialog.button(id)->text().toUtf8().constData());
        }
        std::fflush(stdout);
        ::_exit(0);
    }
}

// Reports what a calibration shows and sends on this screen: the set-up frame's size, the
// pixels of the first cross in the window's physical pixels, and whether a steady touch on it
// is accepted. Polled until the window and its opening frames are there.
void ReportScaledCalibration(norvessa::sim::SeqpacketPeer& peer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [&peer] {
        const auto received = [&peer] {
            return peer.With([](norvessa::sim::SimulatedController& c) { return c.received(); });
        };
        norvessa::ui::CMyDialog* window = norvessa::test::VisibleCalibration();
        if (window == nullptr || !window->windowHandle() || !window->windowHandle()->isExposed() ||
            received().size() < 2) {
            return;
        }
        const std::vector<std::uint8_t> setup = received()[0];
        std::printf("ratio %g\n", window->devicePixelRatioUsed());
        std::printf("setup %d %d\n", setup[3] | (setup[4] << 8), setup[5] | (setup[6] << 8));
        const QImage image = window->grab().toImage();
        std::printf("image %d %d\n", image.width(), image.height());
        int black = 0;
        for (int d = -10; d < 10; ++d) {
            black += image.pixelColor(20 + d, 20) == QColor(Qt::black);
            black += image.pixelColor(20, 20 + d) == QColor(Qt::black);
        }
        // Arms of 10 logical pixels: past x = 30 only when scaled, and never to x = 40.
        std::printf("cross %d %d %d\n", black, image.pixelColor(30, 20) == QColor(Qt::black),
                    image.pixelColor(40, 20) == QColor(Qt::black));
        norvessa::test::HoldStillAndLift(*window, norvessa::test::LogicalTarget(*window, 0));
        peer.WaitForReceived(3, std::chrono::seconds(2));
        std::printf("frames %zu\n", received().size());
        std::fflush(stdout);
        ::_exit(0);
    });
    poll->start(10);
}

int RunChild(int argc, char** argv, std::string action) {
    norvessa::sim::SeqpacketPeer peer;
    norvessa::ReadyController ready{.fd = peer.TakeHostFd()};
    ::fcntl(ready.fd.get(), F_SETFL, ::fcntl(ready.fd.get(), F_GETFL) | O_NONBLOCK);
    norvessa::ui::ApplicationOptions options;
    options.mainDialog.readyController = std::move(ready);
    options.beforeModalRun = [action, &peer](norvessa::ui::CNorvessaDlg& dialog) {
        if (action == "scaled-calibration") {
            dialog.PostStartCalibration(4);
            ReportScaledCalibration(peer);
        }
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
