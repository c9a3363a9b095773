// How the application ends, as a separate process: Quit, Escape and closing the window end it
// at once with exit code 1; Enter with no button focused ends it normally with 0. And the
// language it picks from the locale of its environment.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <memory>

namespace norvessa::test {
namespace {

struct Ending {
    const char* action;
    int exitCode;
};

QProcess* StartChild(const QString& action, const QProcessEnvironment& environment) {
    auto* child = new QProcess;
    child->setProcessEnvironment(environment);
    child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), action});
    return child;
}

QProcessEnvironment OffscreenEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

class ApplicationEnding : public ::testing::TestWithParam<Ending> {};

TEST_P(ApplicationEnding, EndsWithItsExitCode) {
    std::unique_ptr<QProcess> child(
        StartChild(QString::fromLatin1(GetParam().action), OffscreenEnvironment()));
    ASSERT_TRUE(child->waitForFinished(30000)) << GetParam().action;
    EXPECT_EQ(child->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child->exitCode(), GetParam().exitCode)
        << child->readAllStandardError().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Ways, ApplicationEnding,
                         ::testing::Values(Ending{"quit", 1}, Ending{"escape", 1},
                                           Ending{"close", 1}, Ending{"enter-on-quit", 1},
                                           Ending{"enter-no-focus", 0}),
                         [](const ::testing::TestParamInfo<Ending>& param) {
                             std::string name = param.param.action;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(ApplicationLanguage, FollowsTheLocaleOfTheEnvironment) {
    struct Case {
        const char* locale;
        QStringList captions;
    };
    const Case cases[] = {
        {"zh_CN.UTF-8",
         {QStringLiteral("退出"), QStringLiteral("4 点校准"), QStringLiteral("重置")}},
        {"en_US.UTF-8",
         {QStringLiteral("Quit"), QStringLiteral("4 Point Calibration"), QStringLiteral("Reset")}},
        {"de_DE.UTF-8",
         {QStringLiteral("Quit"), QStringLiteral("4 Point Calibration"), QStringLiteral("Reset")}},
    };
    for (const Case& c : cases) {
        QProcessEnvironment environment = OffscreenEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(c.locale));
        environment.insert(QStringLiteral("LANG"), QString::fromLatin1(c.locale));
        std::unique_ptr<QProcess> child(StartChild(QStringLiteral("report-captions"), environment));
        ASSERT_TRUE(child->waitForFinished(30000)) << c.locale;
        EXPECT_EQ(child->exitCode(), 0) << c.locale;
        const QStringList lines =
            QString::fromUtf8(child->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        EXPECT_EQ(lines, c.captions) << c.locale;
    }
}

// Message boxes are captioned with the executable's name, as on Windows, and Qt's own
// standard buttons speak the language the locale picks.
TEST(ApplicationLanguage, MessageBoxCaptionAndStandardButtons) {
    struct Case {
        const char* locale;
        QStringList texts;
    };
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const Case cases[] = {
        {"zh_CN.UTF-8",
         {executable, QStringLiteral("确定"), QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")}},
        {"en_US.UTF-8",
         {executable, QStringLiteral("OK"), QStringLiteral("&Yes"), QStringLiteral("&No")}},
    };
    for (const Case& c : cases) {
        QProcessEnvironment environment = OffscreenEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(c.locale));
        environment.insert(QStringLiteral("LANG"), QString::fromLatin1(c.locale));
        std::unique_ptr<QProcess> child(
            StartChild(QStringLiteral("report-box-texts"), environment));
        ASSERT_TRUE(child->waitForFinished(30000)) << c.locale;
        EXPECT_EQ(child->exitCode(), 0) << c.locale;
        const QStringList lines =
            QString::fromUtf8(child->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        EXPECT_EQ(lines, c.texts) << c.locale << ": " << lines.join('|').toStdString();
    }
}

// With the screen scaled by 2 the layout, the frames, the cross and the touches stay in
// physical pixels: the same set-up frame as unscaled, the cross scaled with the screen (arms of
// 10 logical pixels, one logical pixel thick) on the target's physical pixel, and a steady
// touch accepted.
TEST(ScaledScreen, CalibrationSpeaksPhysicalPixels) {
    QStringList reports[2];
    const char* factors[2] = {"1", "2"};
    for (int i = 0; i < 2; ++i) {
        QProcessEnvironment environment = OffscreenEnvironment();
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(factors[i]));
        std::unique_ptr<QProcess> child(
            StartChild(QStringLiteral("scaled-calibration"), environment));
        ASSERT_TRUE(child->waitForFinished(30000));
        EXPECT_EQ(child->exitCode(), 0);
        reports[i] =
            QString::fromUtf8(child->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(reports[i].size(), 5) << reports[i].join(' ').toStdString();
    }
    EXPECT_EQ(reports[0][0], QStringLiteral("ratio 1"));
    EXPECT_EQ(reports[1][0], QStringLiteral("ratio 2"));
    const QString setup = reports[0][1];
    EXPECT_EQ(reports[1][1], setup);
    // The window covers the screen's physical pixels.
    EXPECT_EQ(reports[1][2],
              QString(setup).replace(QStringLiteral("setup"), QStringLiteral("image")));
    // 40 arm pixels within 10 of the centre (counted on both arms); 20-pixel arms when scaled.
    EXPECT_EQ(reports[0][3], QStringLiteral("cross 40 0 0"));
    EXPECT_EQ(reports[1][3], QStringLiteral("cross 40 1 0"));
    EXPECT_EQ(reports[1][4], QStringLiteral("frames 3"));
}

}  // namespace
}  // namespace norvessa::test
