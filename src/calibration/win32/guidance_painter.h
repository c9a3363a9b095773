#pragma once
// Draws the calibration window's content: the cross, scaled with the screen's DPI; the hold
// cue around it while a contact is down; and the guidance lines (instruction or the wait for
// the verdict, "Target k of N" with the countdown, the refusal hint) in a box clear of every
// target. Says which areas hold what, so the window repaints only what changed.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "calibration/calibration_run.h"
#include "calibration/guidance_text.h"
#include "calibration/screen_geometry.h"

namespace norvessa::win32 {

// Sole owner of a GDI object (font, pen, brush).
class GdiObject {
  public:
    explicit GdiObject(HGDIOBJ object = nullptr) : object_(object) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    void reset(HGDIOBJ object = nullptr) {
        if (object_ != nullptr) {
            DeleteObject(object_);
        }
        object_ = object;
    }
    HGDIOBJ get() const { return object_; }

  private:
    HGDIOBJ object_;
};

class GuidancePainter {
  public:
    // Once the run has begun and the window exists: takes the DPI and the dialog's font, loads
    // the strings and finds the place of the text, wide enough for its longest line.
    void Prepare(HWND window, HINSTANCE resources, const CalibrationRun& run);

    void Paint(HDC dc, const CalibrationRun& run, std::optional<std::int64_t> countdown) const;

    // What to invalidate when the lines change; empty when the screen has no place for them.
    RECT TextArea() const;
    // What to invalidate when the cross or the hold cue at target `index` changes.
    RECT TargetAreaOf(const CalibrationRun& run, std::uint32_t index) const;

  private:
    std::wstring Line(const ResourceText& text) const;
    std::wstring ProgressLine(const GuidanceText& text) const;
    void PaintCross(HDC dc, SamplePoint at) const;
    void PaintHoldCue(HDC dc, SamplePoint at, int progress) const;
    void PaintLines(HDC dc, const GuidanceText& text) const;

    HINSTANCE resources_ = nullptr;
    CrossMetrics metrics_;
    GdiObject font_;
    std::int32_t lineHeight_ = 0;
    std::optional<PixelRect> textBox_;
};

}  // namespace norvessa::win32
