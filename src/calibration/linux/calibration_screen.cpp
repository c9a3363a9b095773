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
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (mainWindow == nullptr || screens.isEmpty()) {
        return QGuiApplication::primaryScreen();
    }
    std::vector<PixelRect> areas;
    for (const QScreen* screen : screens) {
        areas.push_back(ToPixelRect(screen->geometry()));
    }
    const std::optional<std::size_t> index =
        ChooseMonitor(areas, {{}, {}, ToPixelRect(mainWindow->frameGeometry())});
    return screens.at(static_cast<qsizetype>(index.value_or(0)));
}

PixelSize DevicePixelSize(const QScreen& screen) {
    return PhysicalSize(ToPixelRect(screen.geometry()), screen.devicePixelRatio());
}

}  // namespace norvessa::ui
