// SPDX-License-Identifier: MIT
#include "app/linux/command_line_app.h"

#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/linux/check_run.h"
#include "app/linux/interface_listing.h"
#include "app/linux/logging.h"
#include "calibration/linux/calibration_screen.h"
#include "controller/linux/controller_state.h"
#include "controller/linux/linux_controller_link.h"
#include "protocol/linux/reset_exchange.h"

namespace norvessa::ui {
namespace {

constexpr int PLACEMENT_WAIT_MS = 1000;

std::string ProgramName(const char* argv0) {
    const std::string path = argv0 != nullptr ? argv0 : "norvessa";
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Refuse(const std::string& program, const std::string& error) {
    std::cerr << program << ": " << error << "\n" << UsageText(program);
    return EXIT_USAGE;
}

int ListInterfaces() {
    const std::optional<std::vector<InterfaceReport>> reports = ListHidrawInterfaces();
    if (!reports) {
        std::cerr << "udev could not enumerate the hidraw nodes\n";
        return EXIT_FAILED;
    }
    bool found = false;
    for (const InterfaceReport& report : *reports) {
        std::cout << FormatInterfaceLine(report) << "\n";
        found = found || report.match == MatchResult::Controller;
    }
    if (reports->empty()) {
        std::cout << "no hidraw node present\n";
    }
    return found ? EXIT_DONE : EXIT_FAILED;
}

int Reset(std::optional<ReadyController> ready) {
    LinuxControllerLink link(ControllerEvents{});
    if (ready) {
        link.InstallReadyController(std::move(*ready));
    } else {
        link.FindController();
    }
    if (link.current() == nullptr) {
        std::cerr << "no controller found\n";
        return EXIT_NO_CONTROLLER;
    }
    switch (RunResetExchange(CurrentControllerChannel())) {
        case ResetOutcome::Succeeded:
            std::cout << "reset succeeded\n";
            return EXIT_DONE;
        case ResetOutcome::Failed:
            std::cout << "reset failed\n";
            return EXIT_FAILED;
        case ResetOutcome::NoReply:
            std::cout << "no reply\n";
            return EXIT_NO_REPLY;
        case ResetOutcome::NotResponding:
            std::cerr << "the controller is not responding\n";
            return EXIT_NO_REPLY;
        case ResetOutcome::ControllerGone:
            std::cerr << "the controller went away\n";
            return EXIT_NO_CONTROLLER;
        case ResetOutcome::NoMessage:
            break;
    }
    std::cout << "no verdict\n";
    return EXIT_NO_VERDICT;
}

// The keys of the platform plugins Qt can load: from -platformpluginpath, the environment's
// QT_QPA_PLATFORM_PLUGIN_PATH and Qt's own plugin folder. Read from the plugins' metadata
// without loading them.
QStringList PlatformKeys(const CommandLine& line) {
    QStringList folders;
    for (std::size_t i = 0; i + 1 < line.toolkitArguments.size(); ++i) {
        if (line.toolkitArguments[i] == "-platformpluginpath") {
            folders << QString::fromStdString(line.toolkitArguments[i + 1]);
        }
    }
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM_PLUGIN_PATH")) {
        folders << qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    }
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
    QStringList keys;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& file : dir.entryList(QDir::Files)) {
            const QPluginLoader loader(dir.filePath(file));
            for (const QJsonValue key : loader.metaData()
                                            .value(QStringLiteral("MetaData"))
                                            .toObject()
                                            .value(QStringLiteral("Keys"))
                                            .toArray()) {
                keys << key.toString().toLower();
            }
        }
    }
    return keys;
}

// Qt ends the process when it cannot load the platform it is told to use: refuse it first.
std::optional<std::string> RefusedPlatform(const CommandLine& line) {
    if (!line.platform) {
        return std::nullopt;
    }
    // "name:option=value,..." names the plugin before the colon.
    const QString name =
        QString::fromStdString(*line.platform).section(QLatin1Char(':'), 0, 0).toLower();
    const QStringList keys = PlatformKeys(line);
    if (keys.contains(name)) {
        return std::nullopt;
    }
    return "no Qt platform plugin '" + *line.platform +
           "' (available: " + keys.join(QStringLiteral(", ")).toStdString() + ")";
}

std::vector<std::string> ScreenNames() {
    std::vector<std::string> names;
    for (const QScreen* screen : QGuiApplication::screens()) {
        names.push_back(screen->name().toStdString());
    }
    return names;
}

// Runs `start` from the event loop once the main window stands where a calibration will look for
// it. A Wayland client learns its window's output only when the compositor shows it there, so
// with several outputs and no chosen screen it waits for that news, or for a second at most:
// a window shown on the first output is never told of a change.
void AfterPlacement(QDialog& dialog, bool followsWindow, const std::function<void()>& start) {
    const bool waits = followsWindow && QGuiApplication::screens().size() > 1 && OnWayland();
    if (!waits) {
        QTimer::singleShot(0, &dialog, start);
        return;
    }
    auto once = [started = std::make_shared<bool>(false), start] {
        if (!std::exchange(*started, true)) {
            start();
        }
    };
    dialog.winId();  // the window handle whose screen is watched
    QObject::connect(dialog.windowHandle(), &QWindow::screenChanged, &dialog, once,
                     Qt::QueuedConnection);
    QTimer::singleShot(PLACEMENT_WAIT_MS, &dialog, once);
}

// What --screen, --calibrate and --check add to the application.
struct WindowedRun {
    CommandLine line;
    std::string program;
    CheckRequest check;
    QScreen* screen = nullptr;
    CNorvessaDlg* dialog = nullptr;
    int exitCode = EXIT_DONE;
};

int CheckExitCode(const CheckOutcome& outcome) {
    if (outcome.end == CheckEnd::Done && outcome.result) {
        return outcome.result->measurement.passed ? EXIT_DONE : EXIT_CHECK_FAILED;
    }
    return EXIT_CHECK_CANCELLED;
}

// The exit code of a check that ended, and its report where one was asked for.
void EndCheck(WindowedRun& run, const CheckOutcome& outcome) {
    run.exitCode = CheckExitCode(outcome);
    if (outcome.end == CheckEnd::NotStarted || outcome.end == CheckEnd::CannotCover) {
        std::cerr << run.program << ": the check could not be shown on this screen\n";
    }
    if (!run.line.reportPath) {
        return;
    }
    const std::optional<CheckReport> report =
        ReportOf(outcome, run.dialog->controllerLink().current(), run.dialog->lastCalibration());
    if (!report) {
        std::cerr << run.program << ": no report: the check was not completed\n";
        return;
    }
    std::string error;
    if (!WriteReport(FormatCheckReport(*report), *run.line.reportPath, &error)) {
        std::cerr << run.program << ": " << error << "\n";
        run.exitCode = EXIT_FAILED;
    }
}

void AddCommandLine(ApplicationOptions& options, const std::shared_ptr<WindowedRun>& run) {
    options.beforeWindows = [run]() -> std::optional<int> {
        if (!run->line.screen) {
            return std::nullopt;
        }
        const std::vector<std::string> names = ScreenNames();
        const std::optional<std::size_t> index = FindScreen(*run->line.screen, names);
        if (!index) {
            std::string known;
            for (std::size_t i = 0; i < names.size(); ++i) {
                known += (i == 0 ? "" : ", ") + std::to_string(i) + " \"" + names[i] + "\"";
            }
            std::cerr << run->program << ": no screen '" << *run->line.screen
                      << "' (screens: " << known << ")\n";
            return EXIT_USAGE;
        }
        run->screen = QGuiApplication::screens().at(static_cast<qsizetype>(*index));
        return std::nullopt;
    };
    auto before = std::move(options.beforeModalRun);
    options.beforeModalRun = [run, before](CNorvessaDlg& dialog) {
        run->dialog = &dialog;
        if (run->screen != nullptr) {
            // Every calibration covers the chosen screen; the main window opens there too, as
            // far as the platform lets a program place it (Wayland's compositor decides).
            SetChosenScreen(run->screen);
            dialog.setScreen(run->screen);
            const QRect area = run->screen->availableGeometry();
            dialog.move(area.center() - dialog.rect().center());
        }
        if (before) {
            before(dialog);
        }
        if (run->line.command == Command::Check) {
            AfterPlacement(dialog, run->screen == nullptr,
                           [run, &dialog] { dialog.StartCheck(run->check); });
            return;
        }
        if (run->line.command != Command::Calibrate) {
            return;
        }
        AfterPlacement(dialog, run->screen == nullptr, [run, &dialog] {
            if (dialog.controllerLink().current() == nullptr) {
                std::cerr << "no controller found\n";
                run->exitCode = EXIT_NO_CONTROLLER;
                dialog.accept();
                return;
            }
            dialog.StartCalibration(run->line.calibrationPoints);
        });
    };
    if (run->line.command == Command::Calibrate || run->line.check) {
        options.mainDialog.calibrationEnded = [run](CalibrationEnd end, bool succeeded) {
            if (end == CalibrationEnd::Retry) {
                return;  // the same calibration runs again
            }
            if (succeeded && run->line.check) {
                run->dialog->PostStartCheck(run->check);
                return;
            }
            if (end == CalibrationEnd::NotResponding) {
                std::cerr << "the controller is not responding\n";
                run->exitCode = EXIT_NO_REPLY;
            } else {
                run->exitCode = succeeded ? EXIT_DONE : EXIT_FAILED;
            }
            // The orderly end of the main dialog, once this calibration's handler has returned.
            QTimer::singleShot(0, run->dialog, [run] { run->dialog->accept(); });
        };
    }
    if (run->line.check) {
        options.mainDialog.checkEnded = [run](const CheckOutcome& outcome) {
            if (outcome.end == CheckEnd::CalibrateAgain) {
                return;  // the calibration runs, and the check after it
            }
            EndCheck(*run, outcome);
            QTimer::singleShot(0, run->dialog, [run] { run->dialog->accept(); });
        };
    }
    options.exitCode = [run] { return run->exitCode; };
}

}  // namespace

int RunCommandLine(int argc, char** argv, ApplicationOptions options) {
    const std::string program = ProgramName(argc > 0 ? argv[0] : nullptr);
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const ParseOutcome parsed = ParseCommandLine(arguments, ToolkitOptions::PassedOn);
    if (!parsed.commandLine) {
        return Refuse(program, parsed.error);
    }
    const CommandLine& line = *parsed.commandLine;
    std::optional<Tolerance> tolerance;
    if (line.tolerance) {
        tolerance = ParseTolerance(*line.tolerance);
        if (!tolerance) {
            std::cerr << program << ": --tolerance takes N (pixels) or Nmm, not '"
                      << *line.tolerance << "'\n";
            return EXIT_USAGE;
        }
    }
    InstallQtLogging(line.verbose);
    switch (line.command) {
        case Command::Help:
            std::cout << UsageText(program);
            return EXIT_DONE;
        case Command::Version:
            std::cout << VersionText();
            return EXIT_DONE;
        case Command::List:
            return ListInterfaces();
        case Command::Reset:
            return Reset(std::move(options.mainDialog.readyController));
        case Command::OpenDialog:
        case Command::Calibrate:
        case Command::Check:
            break;
    }
    if (const std::optional<std::string> refused = RefusedPlatform(line)) {
        return Refuse(program, *refused);
    }
    // Qt sees the program's name and its own options only.
    std::vector<std::string> qtArguments = {argc > 0 ? argv[0] : "norvessa"};
    qtArguments.insert(qtArguments.end(), line.toolkitArguments.begin(),
                       line.toolkitArguments.end());
    std::vector<char*> qtArgv;
    for (std::string& argument : qtArguments) {
        qtArgv.push_back(argument.data());
    }
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArguments.size());
    AddCommandLine(options, std::make_shared<WindowedRun>(
                                WindowedRun{line, program, {line.checkPoints, tolerance}}));
    return RunApplication(qtArgc, qtArgv.data(), std::move(options));
}

}  // namespace norvessa::ui
