#include "calibration/linux/check_screens.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "calibration/linux/calibration_screen.h"

namespace norvessa::ui {
namespace {

// A smartwatch is bigger than the lower bound, a video wall smaller than the upper one.
constexpr double SMALLEST_MM = 20;
constexpr double LARGEST_MM = 5000;

bool Plausible(double millimetres) {
    return millimetres >= SMALLEST_MM && millimetres <= LARGEST_MM;
}

}  // namespace

std::optional<MonitorMillimetres> PlausibleMillimetres(double widthMm, double heightMm) {
    if (!Plausible(widthMm) || !Plausible(heightMm)) {
        return std::nullopt;
    }
    return MonitorMillimetres{widthMm, heightMm};
}

CheckedMonitor CheckedMonitorOf(const QScreen& screen, PixelSize pixels) {
    const QSizeF size = screen.physicalSize();
    return {pixels.width, pixels.height, PlausibleMillimetres(size.width(), size.height())};
}

std::vector<PixelRect> DesktopMonitors() {
    std::vector<PixelRect> monitors;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const PixelRect logical = ToPixelRect(screen->geometry());
        // Qt keeps a scaled screen's origin where the windowing system has it.
        const PixelSize size = PhysicalSize(logical, screen->devicePixelRatio());
        monitors.push_back({logical.x, logical.y, size.width, size.height});
    }
    return monitors;
}

PixelRect BoundingRect(const std::vector<PixelRect>& monitors) {
    if (monitors.empty()) {
        return {};
    }
    std::int32_t left = monitors.front().x;
    std::int32_t top = monitors.front().y;
    std::int32_t right = left + monitors.front().width;
    std::int32_t bottom = top + monitors.front().height;
    for (const PixelRect& monitor : monitors) {
        left = std::min(left, monitor.x);
        top = std::min(top, monitor.y);
        right = std::max(right, monitor.x + monitor.width);
        bottom = std::max(bottom, monitor.y + monitor.height);
    }
    return {left, top, right - left, bottom - top};
}

std::vector<std::string> ScreenLabels() {
    std::vector<std::string> labels;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        labels.push_back(std::to_string(i) + " \"" + screens[i]->name().toStdString() + "\"");
    }
    return labels;
}

MappingRemedy RemedyFor(bool onX11, bool waylandSession, std::string_view desktop) {
    if (onX11 && !waylandSession) {
        return MappingRemedy::MapButton;
    }
    if (waylandSession && desktop.find("GNOME") != std::string_view::npos) {
        return MappingRemedy::Gnome;
    }
    return MappingRemedy::Compositor;
}

bool OnX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

MappingRemedy CurrentRemedy() {
    const bool waylandSession =
        OnWayland() || qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    return RemedyFor(OnX11(), waylandSession,
                     qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString());
}

}  // namespace norvessa::ui
