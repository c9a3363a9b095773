#pragma once
// What the calibration window draws, in the screen's physical pixels: the cross of the current
// target scaled with the screen, the hold cue around it while a contact is down, and the
// guidance text in the place found clear of every target. Knows where each of them lies, so
// the window repaints only what changed.

#include <QFont>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

#include "calibration/calibration_run.h"
#include "calibration/guidance_text.h"
#include "calibration/screen_geometry.h"

class QPainter;

namespace norvessa::ui {

class GuidanceView {
  public:
    // `strings` loads a string-table entry in the user's language.
    explicit GuidanceView(std::function<QString(int id)> strings);

    // Once the run is laid out: metrics and font for the screen's scale, and the text's place,
    // sized for the longest text it will hold. Without room the text is left out.
    void Prepare(const CalibrationRun& run, double scale, std::int32_t screenWidth,
                 std::int32_t screenHeight);

    // Physical pixels. Empty when there is nothing to repaint there.
    QRect CurrentTargetArea(const CalibrationRun& run) const;
    QRect textBox() const { return textBox_; }
    const CrossMetrics& metrics() const { return metrics_; }

    void Paint(QPainter& painter, const CalibrationRun& run,
               std::optional<std::int64_t> countdownSeconds) const;

    // A string-table entry with its placeholders filled.
    QString Text(const ResourceText& text) const;
    // The three lines drawn for this state, the hint last.
    std::array<QString, GUIDANCE_LINES> Lines(const CalibrationRun& run,
                                              std::optional<std::int64_t> countdownSeconds) const;

  private:
    void PaintCross(QPainter& painter, SamplePoint target) const;
    void PaintHoldCue(QPainter& painter, SamplePoint target, int progress) const;
    void PaintText(QPainter& painter, const CalibrationRun& run,
                   std::optional<std::int64_t> countdownSeconds) const;
    int WidestLine(const CalibrationRun& run) const;

    std::function<QString(int)> strings_;
    CrossMetrics metrics_;
    QFont font_;
    int lineHeight_ = 0;
    int padding_ = 0;
    QRect textBox_;
};

}  // namespace norvessa::ui
