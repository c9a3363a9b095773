// Which screen a calibration covers, with Qt's offscreen platform given several screens: the
// main window's, by its own geometry and scale, with the frames in that screen's device pixels
// and the status line naming it whenever there is more than one screen.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryFile>
#include <memory>

namespace norvessa::test {
namespace {

struct ScreenCase {
    const char* name;
    const char* screens;  // the offscreen platform's "screens" array
    const char* mainWindowScreen;
    QStringList report;
    const char* chosenScreen = "";
};

void PrintTo(const ScreenCase& c, std::ostream* out) {
    *out << c.name;
}

class ScreenOfCalibration : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(ScreenOfCalibration, CoversTheMainWindowsScreenInItsDevicePixels) {
    const ScreenCase& c = GetParam();
    QTemporaryFile config;
    ASSERT_TRUE(config.open());
    config.write(QByteArray("{\"screens\": ") + c.screens + "}");
    config.flush();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                       QStringLiteral("offscreen:configfile=") + config.fileName());
    environment.insert(QStringLiteral("NORVESSA_TEST_SCREEN"),
                       QString::fromLatin1(c.mainWindowScreen));
    environment.insert(QStringLiteral("NORVESSA_TEST_CHOSEN_SCREEN"),
                       QString::fromLatin1(c.chosenScreen));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), QStringLiteral("screen-calibration")});
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    const QStringList lines =
        QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines, c.report) << lines.join('|').toStdString();
}

// Geometry in logical pixels, as Qt reports it; the device pixels are that times dpr. Qt lists
// the screens in its own order, which the status note's index follows.
#define SCREEN(name, x, y, width, height, dpr)                                  \
    "{\"name\": \"" name "\", \"x\": " #x ", \"y\": " #y ", \"width\": " #width \
    ", \"height\": " #height ", \"logicalDpi\": 96, \"dpr\": " #dpr "}"

INSTANTIATE_TEST_SUITE_P(
    Desktops, ScreenOfCalibration,
    ::testing::Values(
        ScreenCase{"one screen: no note",
                   "[" SCREEN("ONLY-1", 0, 0, 1280, 1024, 1) "]",
                   "ONLY-1",
                   {"note -", "setup 1280 1024", "window ONLY-1 0 0 1280 1024", "frames 3"}},
        ScreenCase{"main window on the right one",
                   "[" SCREEN("LEFT-1", 0, 0, 1280, 1024, 1) "," SCREEN("RIGHT-2", 1280, 0, 1024,
                                                                        768, 1) "]",
                   "RIGHT-2",
                   {"note Calibration covers screen 1 \"RIGHT-2\" (1024 x 768 pixels)",
                    "setup 1024 768", "window RIGHT-2 1280 0 1024 768", "frames 3"}},
        ScreenCase{"main window on the left one of two",
                   "[" SCREEN("LEFT-1", 0, 0, 1280, 1024, 1) "," SCREEN("RIGHT-2", 1280, 0, 1024,
                                                                        768, 1) "]",
                   "LEFT-1",
                   {"note Calibration covers screen 0 \"LEFT-1\" (1280 x 1024 pixels)",
                    "setup 1280 1024", "window LEFT-1 0 0 1280 1024", "frames 3"}},
        ScreenCase{"negative origin left of the primary, scaled by 2",
                   "[" SCREEN("PRIMARY-1", 0, 0, 1280, 1024, 1) "," SCREEN("LEFT-2", -1280, 0, 1280,
                                                                           800, 2) "]",
                   "LEFT-2",
                   {"note Calibration covers screen 0 \"LEFT-2\" (2560 x 1600 pixels)",
                    "setup 2560 1600", "window LEFT-2 -1280 0 1280 800", "frames 3"}},
        ScreenCase{"a chosen screen wherever the main window stands",
                   "[" SCREEN("LEFT-1", 0, 0, 1280, 1024, 1) "," SCREEN("RIGHT-2", 1280, 0, 1024,
                                                                        768, 1) "]",
                   "LEFT-1",
                   {"note Calibration covers screen 1 \"RIGHT-2\" (1024 x 768 pixels)",
                    "setup 1024 768", "window RIGHT-2 1280 0 1024 768", "frames 3"},
                   "RIGHT-2"}));

}  // namespace
}  // namespace norvessa::test
