#include "app/linux/application.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/linux/about_dlg.h"
#include "version.h"

namespace norvessa::ui {

namespace {

// Qt's own texts (the standard buttons of message boxes) in the language the resources use;
// the Windows build gets them from the system. English needs none.
void LoadQtTranslations(UiLanguage language, QTranslator& translator) {
    if (language != UiLanguage::ChineseSimplified) {
        return;
    }
    if (translator.load(QStringLiteral("qtbase_zh_CN"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&translator);
    }
}

}  // namespace

int RunApplication(int& argc, char** argv, ApplicationOptions options) {
    QApplication application(argc, argv);
    // Message boxes take the executable's name without extension as their caption.
    QApplication::setApplicationName(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    QApplication::setApplicationVersion(QStringLiteral(NORVESSA_VERSION_STRING));
    QApplication::setWindowIcon(ApplicationIcon());

    const UiLanguage language = LanguageForLocale(QLocale::system());
    QTranslator qtTranslator;
    LoadQtTranslations(language, qtTranslator);
    CNorvessaDlg dialog(language, std::move(options.mainDialog));
    if (options.beforeModalRun) {
        options.beforeModalRun(dialog);
    }
    dialog.exec();
    return 0;
}

}  // namespace norvessa::ui
