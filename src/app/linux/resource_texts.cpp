#include "app/linux/resource_texts.h"

#include <array>

#include "version.h"

namespace norvessa::ui {
namespace {

#include "resource_tables.inc"

constexpr std::array<UiLanguage, 3> LookupOrder(UiLanguage language) {
    return {language, UiLanguage::Neutral, UiLanguage::English};
}

}  // namespace

UiLanguage LanguageForLocale(const QLocale& locale) {
    if (locale.language() == QLocale::Chinese && locale.script() == QLocale::SimplifiedHanScript) {
        return UiLanguage::ChineseSimplified;
    }
    return UiLanguage::English;
}

const DialogTemplate* FindDialog(UiLanguage language, int id) {
    for (UiLanguage candidate : LookupOrder(language)) {
        for (const DialogTemplate& dialog : kDialogs) {
            if (dialog.language == candidate && dialog.id == id) {
                return &dialog;
            }
        }
    }
    return nullptr;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

QString LoadResourceString(UiLanguage language, int id) {
    for (UiLanguage candidate : LookupOrder(language)) {
        for (const StringEntry& entry : kStrings) {
            if (entry.language == candidate && entry.id == id) {
                return QString::fromUtf8(entry.text);
            }
        }
    }
    return {};
}

std::span<const DialogTemplate> AllDialogs() {
    return kDialogs;
}

std::span<const StringEntry> AllStrings() {
    return kStrings;
}

}  // namespace norvessa::ui
