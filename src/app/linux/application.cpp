#include "app/linux/application.h"

#include <QApplication>
#include <QIcon>

#include "app/linux/about_dlg.h"
#include "version.h"

namespace norvessa::ui {

int RunApplication(int& argc, char** argv, ApplicationOptions options) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(APPLICATION_NAME));
    QApplication::setApplicationVersion(QStringLiteral(NORVESSA_VERSION_STRING));
    QApplication::setWindowIcon(ApplicationIcon());
    if (options.beforeWindows) {
        if (const std::optional<int> code = options.beforeWindows()) {
            return *code;
        }
    }

    CNorvessaDlg dialog(LanguageForLocale(QLocale::system()), std::move(options.mainDialog));
    if (options.beforeModalRun) {
        options.beforeModalRun(dialog);
    }
    dialog.exec();
    return options.exitCode ? options.exitCode() : 0;
}

}  // namespace norvessa::ui
