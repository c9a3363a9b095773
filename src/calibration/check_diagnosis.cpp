#include "calibration/check_diagnosis.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace norvessa {
namespace {

// How far the fitted map, in shares of the monitor, may stray from a pattern and still be it.
constexpr double PATTERN_SLACK = 0.1;
// A scale must match a mapping's to within this share.
constexpr double SCALE_SLACK = 0.03;

// The fitted map in shares of the monitor: (u, v) -> linear * (u, v) + offset.
struct ShareMap {
    std::array<std::array<double, 2>, 2> linear{};
    std::array<double, 2> offset{};
};

ShareMap InShares(const AffineMap& map, double width, double height) {
    ShareMap shares;
    shares.linear = {{{map.a, map.b * height / width}, {map.d * width / height, map.e}}};
    shares.offset = {map.c / width, map.f / height};
    return shares;
}

struct Orientation {
    DiagnosisKind kind;
    ShareMap map;
};

// Every way but the identity of turning or flipping the monitor's square onto itself.
constexpr Orientation ORIENTATIONS[] = {
    {DiagnosisKind::SwappedAxes, {{{{0, 1}, {1, 0}}}, {0, 0}}},
    {DiagnosisKind::SwappedAxes, {{{{0, -1}, {-1, 0}}}, {1, 1}}},  // swapped and turned round
    {DiagnosisKind::MirroredX, {{{{-1, 0}, {0, 1}}}, {1, 0}}},
    {DiagnosisKind::MirroredY, {{{{1, 0}, {0, -1}}}, {0, 1}}},
    {DiagnosisKind::Rotated90, {{{{0, -1}, {1, 0}}}, {1, 0}}},
    {DiagnosisKind::Rotated180, {{{{-1, 0}, {0, -1}}}, {1, 1}}},
    {DiagnosisKind::Rotated270, {{{{0, 1}, {-1, 0}}}, {0, 1}}},
};

bool Near(const ShareMap& fitted, const ShareMap& pattern) {
    for (std::size_t r = 0; r < 2; ++r) {
        for (std::size_t c = 0; c < 2; ++c) {
            if (std::fabs(fitted.linear[r][c] - pattern.linear[r][c]) > PATTERN_SLACK) {
                return false;
            }
        }
        if (std::fabs(fitted.offset[r] - pattern.offset[r]) > PATTERN_SLACK) {
            return false;
        }
    }
    return true;
}

PixelRect Bounds(const std::vector<PixelRect>& monitors) {
    PixelRect bounds = monitors.front();
    std::int32_t right = bounds.x + bounds.width;
    std::int32_t bottom = bounds.y + bounds.height;
    for (const PixelRect& monitor : monitors) {
        bounds.x = std::min(bounds.x, monitor.x);
        bounds.y = std::min(bounds.y, monitor.y);
        right = std::max(right, monitor.x + monitor.width);
        bottom = std::max(bottom, monitor.y + monitor.height);
    }
    bounds.width = right - bounds.x;
    bounds.height = bottom - bounds.y;
    return bounds;
}

// A touch screen over `monitor` whose touches the system maps onto `region` puts a finger at
// p (monitor pixels) at region.origin - monitor.origin + p * region.size / monitor.size.
bool MapsOnto(const AffineMap& map, const PixelRect& monitor, const PixelRect& region,
              double tolerancePixels) {
    const double scaleX = static_cast<double>(region.width) / monitor.width;
    const double scaleY = static_cast<double>(region.height) / monitor.height;
    const double offsetSlackX = std::max(2 * tolerancePixels, 0.02 * monitor.width);
    const double offsetSlackY = std::max(2 * tolerancePixels, 0.02 * monitor.height);
    const double crossSlack = 0.05;
    return std::fabs(map.a - scaleX) <= SCALE_SLACK * scaleX &&
           std::fabs(map.e - scaleY) <= SCALE_SLACK * scaleY && std::fabs(map.b) <= crossSlack &&
           std::fabs(map.d) <= crossSlack &&
           std::fabs(map.c - (region.x - monitor.x)) <= offsetSlackX &&
           std::fabs(map.f - (region.y - monitor.y)) <= offsetSlackY;
}

bool AllWithin(const std::vector<PixelPoint>& targets, const std::vector<PixelPoint>& touches,
               double tolerancePixels) {
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (std::hypot(static_cast<double>(touches[i].x) - targets[i].x,
                       static_cast<double>(touches[i].y) - targets[i].y) > tolerancePixels) {
            return false;
        }
    }
    return true;
}

void NameMapping(Diagnosis& diagnosis, const std::vector<PixelRect>& monitors, std::size_t checked,
                 double tolerancePixels) {
    const AffineMap& map = diagnosis.fit->map;
    const PixelRect& monitor = monitors[checked];
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (i != checked && MapsOnto(map, monitor, monitors[i], tolerancePixels)) {
            diagnosis.kind = DiagnosisKind::MappedToOtherMonitor;
            diagnosis.otherMonitor = i;
            return;
        }
    }
    const PixelRect desktop = Bounds(monitors);
    if (!(desktop == monitor) && MapsOnto(map, monitor, desktop, tolerancePixels)) {
        diagnosis.kind = DiagnosisKind::MappedToDesktop;
    }
}

}  // namespace

Diagnosis Diagnose(const std::vector<PixelPoint>& targets, const std::vector<PixelPoint>& touches,
                   const std::vector<PixelRect>& monitors, std::size_t checked,
                   double tolerancePixels) {
    Diagnosis diagnosis;
    diagnosis.fit = FitAffine(targets, touches);
    if (targets.size() == touches.size() && !targets.empty() &&
        AllWithin(targets, touches, tolerancePixels)) {
        diagnosis.kind = DiagnosisKind::WithinTolerance;
        return diagnosis;
    }
    if (!diagnosis.fit || checked >= monitors.size() || monitors[checked].width <= 0 ||
        monitors[checked].height <= 0) {
        return diagnosis;
    }
    // A pattern counts only where the map explains the touches about as well as the tolerance.
    if (diagnosis.fit->rmsResidual > tolerancePixels) {
        return diagnosis;
    }
    const PixelRect& monitor = monitors[checked];
    const ShareMap shares = InShares(diagnosis.fit->map, monitor.width, monitor.height);
    for (const Orientation& orientation : ORIENTATIONS) {
        if (Near(shares, orientation.map)) {
            diagnosis.kind = orientation.kind;
            return diagnosis;
        }
    }
    NameMapping(diagnosis, monitors, checked, tolerancePixels);
    return diagnosis;
}

}  // namespace norvessa
