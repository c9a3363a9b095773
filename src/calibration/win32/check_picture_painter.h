#pragma once
// Draws the picture that ends a calibration check on the checked monitor: each check point's
// cross, the touch as a dot, the error as an arrow magnified five times (green within the
// tolerance, red outside), the summary, the legend and the diagnosis at the top, the finger's
// trail, and the row of large buttons.

#include <windows.h>

#include <string>
#include <vector>

#include "calibration/check_picture.h"
#include "calibration/win32/guidance_painter.h"

namespace norvessa::win32 {

struct CheckPicture {
    std::vector<PointError> points;
    CheckPictureLayout layout;
    std::vector<std::wstring> buttonLabels;  // one per layout button, in its order
    std::vector<std::wstring> lines;         // summary, legend, diagnosis
    std::vector<std::vector<PixelPoint>> trail;
};

class CheckPicturePainter {
  public:
    // Once the window exists: the fonts and the cross for its DPI.
    void Prepare(HWND window, double scale);
    void Paint(HDC dc, const CheckPicture& picture, std::int32_t width, std::int32_t height) const;

  private:
    void PaintPoint(HDC dc, const PointError& point, std::int32_t width, std::int32_t height) const;
    void PaintLines(HDC dc, const CheckPicture& picture, std::int32_t width) const;
    void PaintButtons(HDC dc, const CheckPicture& picture) const;
    void PaintTrail(HDC dc, const CheckPicture& picture) const;

    double scale_ = 1.0;
    GdiObject textFont_;
    GdiObject buttonFont_;
};

}  // namespace norvessa::win32
