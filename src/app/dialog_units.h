#pragma once
// Dialog units: the resolution-independent coordinates of dialog templates, and their
// conversion to pixels the way Windows converts them, so a dialog laid out from the same
// template looks alike on every platform.

namespace norvessa {

// A control's or a dialog's place in dialog units: x, y, width, height.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const DialogRect&, const DialogRect&) = default;
};

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
    friend bool operator==(const DialogBaseUnits&, const DialogBaseUnits&) = default;
};

// The 52 letters whose average width is the horizontal base unit.
inline constexpr const char* BASE_UNIT_LETTERS =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// From the dialog font: the width of BASE_UNIT_LETTERS in pixels, averaged and rounded to the
// nearest pixel, and the font's height (ascent plus descent).
DialogBaseUnits BaseUnitsFromFont(int lettersWidth, int fontHeight);

// value * numerator / denominator, rounded half away from zero (the platform's MulDiv).
int MulDivRounded(int value, int numerator, int denominator);

int HorizontalDialogUnitsToPixels(int units, DialogBaseUnits base);
int VerticalDialogUnitsToPixels(int units, DialogBaseUnits base);
// Each of the four values is converted on its own, as the platform does when it creates the
// controls of a template.
DialogRect DialogRectToPixels(DialogRect units, DialogBaseUnits base);

}  // namespace norvessa
