// SPDX-License-Identifier: MIT
// The log through Qt: errors as warnings of the category norvessa.controller, debug messages
// only once --verbose (or QT_LOGGING_RULES) turned the category's debug level on.

#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QString>
#include <vector>

#include "app/linux/logging.h"
#include "controller/log.h"

namespace norvessa::test {
namespace {

struct Seen {
    QtMsgType type;
    QString category;
    QString text;
};

std::vector<Seen>* g_seen = nullptr;

void Collect(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    g_seen->push_back({type, QString::fromLatin1(context.category), text});
}

std::vector<Seen> LoggedWith(bool verbose) {
    std::vector<Seen> seen;
    g_seen = &seen;
    const QtMessageHandler previous = qInstallMessageHandler(Collect);
    ui::InstallQtLogging(verbose);
    LogDebug("a detail");
    LogError("cannot open /dev/hidraw9: No such device (19)");
    qInstallMessageHandler(previous);
    SetLogSink({});
    SetDebugLogging(false);
    QLoggingCategory::setFilterRules(QString());
    g_seen = nullptr;
    return seen;
}

TEST(QtLogging, ErrorsAlwaysDebugOnlyWhenVerbose) {
    const QString category = QStringLiteral("norvessa.controller");
    const QString error = QStringLiteral("cannot open /dev/hidraw9: No such device (19)");

    const std::vector<Seen> quiet = LoggedWith(false);
    ASSERT_EQ(quiet.size(), 1u);
    EXPECT_EQ(quiet[0].type, QtWarningMsg);
    EXPECT_EQ(quiet[0].category, category);
    EXPECT_EQ(quiet[0].text, error);

    const std::vector<Seen> verbose = LoggedWith(true);
    ASSERT_EQ(verbose.size(), 2u);
    EXPECT_EQ(verbose[0].type, QtDebugMsg);
    EXPECT_EQ(verbose[0].category, category);
    EXPECT_EQ(verbose[0].text, QStringLiteral("a detail"));
    EXPECT_EQ(verbose[1].type, QtWarningMsg);
}

}  // namespace
}  // namespace norvessa::test
