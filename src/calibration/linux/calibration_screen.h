#pragma once
// The screen a calibration covers, among Qt's screens: the one --screen chose, else the one
// holding the main window, so a user drags the main window onto the touch screen and calibrates
// there. Linux cannot generally tell which output a touch device is mapped to.

#include <QRect>
#include <optional>

#include "calibration/monitor_choice.h"

class QScreen;
class QWidget;

namespace norvessa::ui {

// Qt runs on a Wayland compositor, which places windows itself: a program knows neither where
// its window stands nor may it raise one window over another's layer.
bool OnWayland();

// Every calibration covers `screen` from now on, wherever the main window stands; none returns
// to the main window's screen.
void SetChosenScreen(QScreen* screen);

// The primary screen when there is no main window.
QScreen* CalibrationScreen(const QWidget* mainWindow);

// The screen's size in device pixels: its geometry times its device pixel ratio, rounded.
PixelSize DevicePixelSize(const QScreen& screen);

// What a calibration covering `screen` speaks there: its output's mode when the compositor tells
// it, else its device pixels. None when a window covering the screen cannot cover its output.
std::optional<ScreenPixels> CoveredPixels(const QScreen& screen);

PixelRect ToPixelRect(const QRect& rect);
QRect ToQRect(const PixelRect& rect);

}  // namespace norvessa::ui
