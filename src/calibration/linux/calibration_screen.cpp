#include "calibration/linux/calibration_screen.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <vector>

#include "calibration/linux/wayland_outputs.h"
#include "calibration/linux/x11_outputs.h"

namespace norvessa::ui {
namespace {

// Unplugging the chosen screen clears the choice: QPointer forgets a deleted screen.
QPointer<QScreen>& ChosenScreen() {
    static QPointer<QScreen> chosen;
    return chosen;
}

}  // namespace

bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

PixelRect ToPixelRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

QRect ToQRect(const PixelRect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

void SetChosenScreen(QScreen* screen) {
    ChosenScreen() = screen;
}

QScreen* CalibrationScreen(const QWidget* mainWindow) {
    if (QScreen* chosen = ChosenScreen()) {
        return chosen;
    }
    if (mainWindow == nullptr || mainWindow->screen() == nullptr) {
        return QGuiApplication::primaryScreen();
    }
    // A Wayland client does not know where its window stands, only the output the compositor
    // shows it on.
    if (OnWayland()) {
        return mainWindow->screen();
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

std::optional<ScreenPixels> CoveredPixels(const QScreen& screen) {
    const PixelRect area = ToPixelRect(screen.geometry());
    const std::string name = screen.name().toStdString();
    const PixelPoint corner{area.x, area.y};
    const PixelSize scaled = DevicePixelSize(screen);
    // The compositor's word first: an X server on it (XWayland) shows its outputs scaled.
    std::vector<DisplayOutput> outputs = WaylandOutputs();
    const DisplayOutput* output = FindOutput(outputs, name, corner, scaled);
    if (output == nullptr) {
        outputs = X11Outputs();
        output = FindOutput(outputs, name, corner, scaled);
    }
    return CoverScreen(area, screen.devicePixelRatio(), output);
}

}  // namespace norvessa::ui
