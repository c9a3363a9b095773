#pragma once
// The screen a calibration covers, among Qt's screens: the one holding the main window (which
// --screen moves there), so a user drags the main window onto the touch screen and calibrates
// there. Linux cannot generally tell which output a touch device is mapped to.

#include <QRect>

#include "calibration/monitor_choice.h"

class QScreen;
class QWidget;

namespace norvessa::ui {

// The primary screen when there is no main window.
QScreen* CalibrationScreen(const QWidget* mainWindow);

// The screen's size in device pixels: its geometry times its device pixel ratio, rounded.
PixelSize DevicePixelSize(const QScreen& screen);

PixelRect ToPixelRect(const QRect& rect);

}  // namespace norvessa::ui
