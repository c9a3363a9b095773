#pragma once
// A paint context for one WM_PAINT: BeginPaint on construction, EndPaint on destruction.

#include <windows.h>

namespace norvessa::win32 {

class PaintContext {
  public:
    explicit PaintContext(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
    ~PaintContext() { EndPaint(hwnd_, &paint_); }
    PaintContext(const PaintContext&) = delete;
    PaintContext& operator=(const PaintContext&) = delete;

    HDC dc() const { return dc_; }

  private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

}  // namespace norvessa::win32
