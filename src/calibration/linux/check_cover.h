#pragma once
// A plain dark window over one of the screens not being checked, while a check runs: a touch
// the system maps to that screen is still seen, and handed on in the checked screen's
// physical pixels (where it lies outside that screen).

#include <QString>
#include <QWidget>
#include <functional>

#include "calibration/linux/run_input.h"

class QScreen;

namespace norvessa::ui {

struct CoverHooks {
    std::function<void(QTouchEvent*, PointerMapping)> touch;
    std::function<void(QMouseEvent*, PointerMapping)> mouse;
    std::function<void()> escape;
};

class CheckCover : public QWidget {
  public:
    // A window of `owner` (so the owner's modal run does not block it), over `screen`.
    CheckCover(QWidget* owner, QScreen& screen, QString text, PointerMapping mapping,
               CoverHooks hooks);

    // Full screen on its screen, as far as the platform lets a program place it.
    void ShowOver();
    QScreen* coveredScreen() const { return screen_; }
    const QString& text() const { return text_; }
    PointerMapping mapping() const { return mapping_; }

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    QScreen* screen_;
    QString text_;
    PointerMapping mapping_;
    CoverHooks hooks_;
};

}  // namespace norvessa::ui
