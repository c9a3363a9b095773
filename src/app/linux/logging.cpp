// SPDX-License-Identifier: MIT
#include "app/linux/logging.h"

#include <QLoggingCategory>

#include "controller/log.h"

Q_LOGGING_CATEGORY(lcController, "norvessa.controller", QtInfoMsg)

namespace norvessa::ui {

void InstallQtLogging(bool verbose) {
    if (verbose) {
        QLoggingCategory::setFilterRules(QStringLiteral("norvessa.controller.debug=true"));
    }
    SetDebugLogging(verbose);
    SetLogSink([](LogLevel level, const std::string& message) {
        const QString text = QString::fromStdString(message);
        if (level == LogLevel::Error) {
            qCWarning(lcController).noquote() << text;
        } else {
            qCDebug(lcController).noquote() << text;
        }
    });
}

}  // namespace norvessa::ui
