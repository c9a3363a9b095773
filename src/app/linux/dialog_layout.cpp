#include "app/linux/dialog_layout.h"

#include <QApplication>
#include <QFontMetrics>

namespace norvessa::ui {

QFont DialogFont(int points) {
    QFont font = QApplication::font();
    font.setPointSize(points);
    return font;
}

DialogBaseUnits BaseUnitsFor(const QFont& font) {
    const QFontMetrics metrics(font);
    return BaseUnitsFromFont(metrics.horizontalAdvance(QString::fromLatin1(BASE_UNIT_LETTERS)),
                             metrics.height());
}

QRect ToPixels(DialogRect units, DialogBaseUnits base) {
    const DialogRect pixels = DialogRectToPixels(units, base);
    return {pixels.x, pixels.y, pixels.width, pixels.height};
}

QSize ToPixels(int width, int height, DialogBaseUnits base) {
    return {HorizontalDialogUnitsToPixels(width, base), VerticalDialogUnitsToPixels(height, base)};
}

}  // namespace norvessa::ui
