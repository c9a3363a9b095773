// Runs the tests under Qt's offscreen platform. With --child ACTION it is instead the whole
// application over a simulated controller, on which ACTION is performed once the main dialog
// shows: the exit-code, locale and scaled-screen tests start it that way as a child process.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/linux/application.h"
#include "app/linux/command_line_app.h"
#include "app_fixture.h"
#include "calibration/linux/calibration_screen.h"
#include "check_drive.h"
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

using SetupFrame = std::vector<std::uint8_t>;

// Polls until a calibration window is shown with its opening frames, prints what `report` reads
// of it and of its set-up frame, then touches the first cross steadily, prints how many frames
// the controller has by then (3: the touch was accepted) and ends the child.
void ReportOnceCalibrationShows(
    norvessa::sim::SeqpacketPeer& peer,
    std::function<void(norvessa::ui::CMyDialog& window, const SetupFrame& setup)> report) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [&peer, report] {
        const auto received = [&peer] {
            return peer.With([](norvessa::sim::SimulatedController& c) { return c.received(); });
        };
        norvessa::ui::CMyDialog* window = norvessa::test::VisibleCalibration();
        if (window == nullptr || !window->windowHandle() || !window->windowHandle()->isExposed() ||
            received().size() < 2) {
            return;
        }
        report(*window, received()[0]);
        norvessa::test::HoldStillAndLift(*window, norvessa::test::LogicalTarget(*window, 0));
        peer.WaitForReceived(3, std::chrono::seconds(2));
        std::printf("frames %zu\n", received().size());
        std::fflush(stdout);
        ::_exit(0);
    });
    poll->start(10);
}

void PrintSetupSize(const SetupFrame& setup) {
    std::printf("setup %d %d\n", setup[3] | (setup[4] << 8), setup[5] | (setup[6] << 8));
}

// Reports what a calibration shows and sends on this screen: the set-up frame's size, the
// pixels of the first cross in the window's physical pixels, and whether a steady touch on it
// is accepted.
void ReportScaledCalibration(norvessa::sim::SeqpacketPeer& peer) {
    ReportOnceCalibrationShows(peer, [](norvessa::ui::CMyDialog& window, const SetupFrame& setup) {
        std::printf("ratio %g\n", window.pixelsPerLogical());
        PrintSetupSize(setup);
        const QImage image = window.grab().toImage();
        std::printf("image %d %d\n", image.width(), image.height());
        int black = 0;
        for (int d = -10; d < 10; ++d) {
            black += image.pixelColor(20 + d, 20) == QColor(Qt::black);
            black += image.pixelColor(20, 20 + d) == QColor(Qt::black);
        }
        // Arms of 10 logical pixels: past x = 30 only when scaled, and never to x = 40.
        std::printf("cross %d %d %d\n", black, image.pixelColor(30, 20) == QColor(Qt::black),
                    image.pixelColor(40, 20) == QColor(Qt::black));
    });
}

// Reports which screen a calibration started from the main window covers and what it tells the
// controller: the status line's screen note, the set-up frame's size, the window's screen and
// logical geometry, and whether a steady touch on the first cross there is accepted.
void ReportScreenCalibration(norvessa::sim::SeqpacketPeer& peer,
                             norvessa::ui::CNorvessaDlg& dialog) {
    ReportOnceCalibrationShows(
        peer, [&dialog](norvessa::ui::CMyDialog& window, const SetupFrame& setup) {
            const QStringList status = dialog.statusLine()->text().split('\n');
            std::printf("note %s\n", status.size() > 1 ? status[1].toUtf8().constData() : "-");
            PrintSetupSize(setup);
            const QRect geometry = window.geometry();
            std::printf("window %s %d %d %d %d\n", window.screen()->name().toUtf8().constData(),
                        geometry.x(), geometry.y(), geometry.width(), geometry.height());
        });
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
        if (action == "screen-calibration") {
            // The main window stands on the screen that NORVESSA_TEST_SCREEN names; the one
            // NORVESSA_TEST_CHOSEN_SCREEN names, if any, is chosen as --screen chooses.
            QScreen* screen = QGuiApplication::primaryScreen();
            for (QScreen* each : QGuiApplication::screens()) {
                if (each->name() == qEnvironmentVariable("NORVESSA_TEST_SCREEN")) {
                    screen = each;
                }
                if (each->name() == qEnvironmentVariable("NORVESSA_TEST_CHOSEN_SCREEN")) {
                    norvessa::ui::SetChosenScreen(each);
                }
            }
            dialog.setScreen(screen);
            dialog.move(screen->geometry().center() - dialog.rect().center());
            dialog.PostStartCalibration(4);
            ReportScreenCalibration(peer, dialog);
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

// The controller a command-line child talks to, by the name of its answer.
std::optional<norvessa::sim::ResetScript> ResetAnswer(const std::string& answer) {
    using norvessa::sim::Answer;
    if (answer == "success")
        return norvessa::sim::ResetScript{Answer::Success};
    if (answer == "failure")
        return norvessa::sim::ResetScript{Answer::Failure};
    if (answer == "silent")
        return norvessa::sim::ResetScript{Answer::Silent};
    if (answer == "no-verdict") {
        return norvessa::sim::ResetScript{Answer::Custom,
                                          norvessa::sim::MakeReply(0xAA, 0xF1, 0x01)};
    }
    return std::nullopt;
}

// Plays the user of `--calibrate 4`: touches the four targets as their frames arrive and
// answers the verdict box (No to the retry question).
void DriveCalibration(norvessa::sim::SeqpacketPeer& peer) {
    static norvessa::test::UiScript script;
    const auto received = [&peer] {
        return peer.With([](norvessa::sim::SimulatedController& c) { return c.received().size(); });
    };
    for (std::uint32_t target = 0; target < 4; ++target) {
        script.When(
            "point frame",
            [received, target] {
                return norvessa::test::VisibleCalibration() && received() >= 2 + target;
            },
            [target] {
                norvessa::ui::CMyDialog* window = norvessa::test::VisibleCalibration();
                norvessa::test::HoldStillAndLift(*window,
                                                 norvessa::test::LogicalTarget(*window, target));
            });
    }
    script.When(
        "verdict box", [] { return norvessa::test::VisibleMessageBox() != nullptr; },
        [] {
            QMessageBox* box = norvessa::test::VisibleMessageBox();
            norvessa::test::Press(*box,
                                  box->buttons().size() > 1 ? QMessageBox::No : QMessageBox::Ok);
        });
    script.Start();
}

// The command-line front end over a simulated controller that answers `answer` ("none": no
// controller at all), with the arguments after it.
int RunCommandLineChild(int argc, char** argv) {
    const std::string answer = argv[2];
    std::vector<char*> arguments = {argv[0]};
    arguments.insert(arguments.end(), argv + 3, argv + argc);
    arguments.push_back(nullptr);
    norvessa::ui::ApplicationOptions options;
    norvessa::sim::SeqpacketPeer peer;
    if (const std::optional<norvessa::sim::ResetScript> reset = ResetAnswer(answer)) {
        peer.With([&](norvessa::sim::SimulatedController& c) {
            c.SetResetScript(*reset);
            c.SetCalibrationScript(norvessa::sim::CalibrationScript{reset->answer});
        });
        norvessa::ReadyController ready{.fd = peer.TakeHostFd()};
        ::fcntl(ready.fd.get(), F_SETFL, ::fcntl(ready.fd.get(), F_GETFL) | O_NONBLOCK);
        options.mainDialog.readyController = std::move(ready);
        options.mainDialog.fingerHook = {[&peer] { peer.FingerDown(); },
                                         [&peer] { peer.FingerUp(); }};
        options.beforeModalRun = [&peer](norvessa::ui::CNorvessaDlg&) { DriveCalibration(peer); };
    }
    if (qEnvironmentVariableIsSet("NORVESSA_TEST_CHECK")) {
        auto before = std::move(options.beforeModalRun);
        options.beforeModalRun = [before](norvessa::ui::CNorvessaDlg& dialog) {
            if (before) {
                before(dialog);
            }
            norvessa::test::DriveCheck(qEnvironmentVariable("NORVESSA_TEST_CHECK").toStdString());
        };
    }
    // Some modes run no event loop: a hung child is ended by the alarm signal instead.
    ::alarm(CHILD_GIVE_UP_MS / 1000);
    return norvessa::ui::RunCommandLine(static_cast<int>(arguments.size()) - 1, arguments.data(),
                                        std::move(options));
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
    if (argc >= 3 && std::strcmp(argv[1], "--command-line") == 0) {
        return RunCommandLineChild(argc, argv);
    }
    if (argc >= 3 && std::strcmp(argv[1], "--check-child") == 0) {
        return norvessa::test::RunCheckChild(argc, argv);
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Norvessa"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
