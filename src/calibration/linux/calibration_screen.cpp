#include "calibration/linux/calibration_screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <vector>

namespace norvessa::ui {

PixelRect ToPixelRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

QScreen* CalibrationScreen(const QWidget* mainWindow) {
    if (mainWindow == nullptr || mainWindow->screen() == nullptr) {
        return QGuiApplication::primaryScreen();
    }
    // Only screens of one virtual desktop share a coordinate space (separate X screens each
    // start at 0, 0), so the choice is among the main window's screen and its siblings.
    const QList<QScreen*> screens = mainWindow->screen()->virtualSiblings();
    std::vector<PixelRect> areas;
    for (const QScreen* screen : screens) {
        areas.push_back(ToPixelRect(screen->geometry()));
    }
    const std::optional<std::size_t> index =
        ChooseMonitor(areas, {{}, {}, ToPixelRect(mainWindow->frameGeometry())});
    return index ? screens.at(static_cast<qsizetype>(*index)) : mainWindow->screen();
}

PixelSize DevicePixelSize(const QScreen& screen) {
    return PhysicalSize(ToPixelRect(screen.geometry()), screen.devicePixelRatio());
}

}  // namespace norvessa::ui
