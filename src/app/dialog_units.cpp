#include "app/dialog_units.h"

#include <cstdint>
#include <cstdlib>

namespace norvessa {

DialogBaseUnits BaseUnitsFromFont(int lettersWidth, int fontHeight) {
    // Average over 52 letters, rounded: (width / 26 + 1) / 2.
    return {(lettersWidth / 26 + 1) / 2, fontHeight};
}

int MulDivRounded(int value, int numerator, int denominator) {
    if (denominator == 0) {
        return -1;  // as the platform answers
    }
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t half = std::llabs(denominator) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = (std::llabs(product) + half) / std::llabs(denominator);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

int HorizontalDialogUnitsToPixels(int units, DialogBaseUnits base) {
    return MulDivRounded(units, base.x, 4);
}

int VerticalDialogUnitsToPixels(int units, DialogBaseUnits base) {
    return MulDivRounded(units, base.y, 8);
}

DialogRect DialogRectToPixels(DialogRect units, DialogBaseUnits base) {
    return {HorizontalDialogUnitsToPixels(units.x, base),
            VerticalDialogUnitsToPixels(units.y, base),
            HorizontalDialogUnitsToPixels(units.width, base),
            VerticalDialogUnitsToPixels(units.height, base)};
}

}  // namespace norvessa
