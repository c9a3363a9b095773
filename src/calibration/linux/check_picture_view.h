#pragma once
// What the check window draws once the last check point was touched, in the monitor's physical
// pixels: each point's cross, the touch as a dot, the error as a magnified arrow (green within
// the tolerance, red outside), the summary, the legend and the diagnosis at the top, the row of
// touch buttons at the bottom, and the finger's trail over it all.

#include <QFont>
#include <QPolygon>
#include <QString>
#include <map>
#include <vector>

#include "calibration/check_error.h"
#include "calibration/check_picture.h"
#include "calibration/screen_geometry.h"

class QPainter;

namespace norvessa::ui {

struct PictureTexts {
    QString summary;
    QString legend;
    QString diagnosis;
    std::map<CheckButton, QString> buttons;
};

class CheckPictureView {
  public:
    // `scale` is physical pixels per logical pixel; the buttons in their order on the row.
    void Prepare(const CheckMeasurement& measurement, std::int32_t width, std::int32_t height,
                 double scale, const std::vector<CheckButton>& buttons, PictureTexts texts);
    void Paint(QPainter& painter) const;

    // The finger's trail: each contact draws one stroke.
    void BeginStroke(QPoint physical);
    void ExtendStroke(QPoint physical);
    void ClearTrail() { trail_.clear(); }

    const CheckPictureLayout& layout() const { return layout_; }
    const std::vector<QPolygon>& trail() const { return trail_; }
    const std::vector<CheckArrow>& arrows() const { return arrows_; }
    const PictureTexts& texts() const { return texts_; }
    bool passed() const { return passed_; }
    // Replaces the diagnosis line (the mapping's own outcome).
    void SetDiagnosisText(QString text) { texts_.diagnosis = std::move(text); }

  private:
    void PaintPoints(QPainter& painter) const;
    void PaintTexts(QPainter& painter) const;
    void PaintButtons(QPainter& painter) const;
    void PaintTrail(QPainter& painter) const;

    std::vector<PointError> points_;
    std::vector<CheckArrow> arrows_;
    CheckPictureLayout layout_;
    PictureTexts texts_;
    std::int32_t width_ = 0;
    double scale_ = 1.0;
    bool passed_ = false;
    CrossMetrics metrics_;
    QFont font_;
    QFont buttonFont_;
    std::vector<QPolygon> trail_;
};

}  // namespace norvessa::ui
