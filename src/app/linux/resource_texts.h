#pragma once
// The dialogs and strings of the Windows resource script, as tables generated from it at build
// time, and the choice of their language from the user's locale. One source for both builds.

#include <QLocale>
#include <QString>
#include <span>

#include "app/dialog_units.h"

namespace norvessa::ui {

enum class UiLanguage { Neutral, English, ChineseSimplified };
enum class ControlKind { Pushbutton, Defpushbutton, Ltext, Ctext, Rtext, Icon };

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* text;  // UTF-8; null for an icon
    DialogRect rect;
};

struct DialogTemplate {
    UiLanguage language;
    int id;
    const char* caption;
    int width;
    int height;
    int fontPoints;
    std::span<const ControlTemplate> controls;  // in template (and tab) order
};

struct StringEntry {
    UiLanguage language;
    int id;
    const char* text;
};

// Simplified Chinese for a Chinese locale in the simplified script, English otherwise: the
// copies the resource script holds.
UiLanguage LanguageForLocale(const QLocale& locale);

// The copy in `language`, else the neutral one, else the English one, as the platform looks a
// resource up; null when there is none.
const DialogTemplate* FindDialog(UiLanguage language, int id);
const ControlTemplate* FindControl(const DialogTemplate& dialog, int id);
// Empty when the string table has no such entry.
QString LoadResourceString(UiLanguage language, int id);

std::span<const DialogTemplate> AllDialogs();
std::span<const StringEntry> AllStrings();

}  // namespace norvessa::ui
