#pragma once
// Laying a dialog template out in Qt: the dialog font and its base units, and dialog units
// converted to pixels with them.

#include <QFont>
#include <QRect>
#include <QSize>

#include "app/dialog_units.h"

namespace norvessa::ui {

// The template's font size on the application's default face: the face the user's desktop
// gives to dialogs, at the size the template asks for.
QFont DialogFont(int points);
DialogBaseUnits BaseUnitsFor(const QFont& font);

QRect ToPixels(DialogRect units, DialogBaseUnits base);
QSize ToPixels(int width, int height, DialogBaseUnits base);

}  // namespace norvessa::ui
