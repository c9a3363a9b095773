#include "calibration/monitor_choice.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace norvessa {
namespace {

std::int64_t SharedSpan(std::int32_t firstA, std::int32_t sizeA, std::int32_t firstB,
                        std::int32_t sizeB) {
    const std::int64_t start = std::max<std::int64_t>(firstA, firstB);
    const std::int64_t end =
        std::min<std::int64_t>(std::int64_t{firstA} + sizeA, std::int64_t{firstB} + sizeB);
    return std::max<std::int64_t>(end - start, 0);
}

// Pixels between `value` and the span first .. first + size; 0 inside.
double GapAlong(double value, std::int32_t first, std::int32_t size) {
    const double start = first;
    return std::max({start - value, value - (start + size), 0.0});
}

std::size_t NearestToCentre(std::span<const PixelRect> monitors, const PixelRect& window) {
    const double centreX = window.x + window.width / 2.0;
    const double centreY = window.y + window.height / 2.0;
    std::size_t nearest = 0;
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const double dx = GapAlong(centreX, monitors[i].x, monitors[i].width);
        const double dy = GapAlong(centreY, monitors[i].y, monitors[i].height);
        if (dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            nearest = i;
        }
    }
    return nearest;
}

// A logical length is rounded to whole logical pixels: times the scale, and rounded again, it
// misses the physical length by at most half a logical pixel's worth plus half a pixel.
bool WithinRounding(PixelSize mode, PixelSize scaled, double scale) {
    const double slack = scale / 2 + 0.5;
    return std::abs(mode.width - scaled.width) <= slack &&
           std::abs(mode.height - scaled.height) <= slack;
}

}  // namespace

std::int64_t OverlapArea(const PixelRect& a, const PixelRect& b) {
    return SharedSpan(a.x, a.width, b.x, b.width) * SharedSpan(a.y, a.height, b.y, b.height);
}

std::optional<std::size_t> ChooseMonitor(std::span<const PixelRect> monitors,
                                         const MonitorPreference& preference) {
    if (monitors.empty()) {
        return std::nullopt;
    }
    for (const std::optional<std::size_t>& named : {preference.chosen, preference.digitizer}) {
        if (named && *named < monitors.size()) {
            return named;
        }
    }
    std::size_t largest = 0;
    std::int64_t largestArea = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const std::int64_t area = OverlapArea(monitors[i], preference.mainWindow);
        if (area > largestArea) {
            largestArea = area;
            largest = i;
        }
    }
    if (largestArea > 0) {
        return largest;
    }
    return NearestToCentre(monitors, preference.mainWindow);
}

std::int32_t ToPhysicalLength(double logical, double scale) {
    return static_cast<std::int32_t>(std::lround(logical * scale));
}

PixelSize PhysicalSize(const PixelRect& logicalMonitor, double scale) {
    return {ToPhysicalLength(logicalMonitor.width, scale),
            ToPhysicalLength(logicalMonitor.height, scale)};
}

PixelPoint ToMonitorPixels(double desktopX, double desktopY, const PixelRect& logicalMonitor,
                           double scale) {
    return {ToPhysicalLength(desktopX - logicalMonitor.x, scale),
            ToPhysicalLength(desktopY - logicalMonitor.y, scale)};
}

const DisplayOutput* FindOutput(std::span<const DisplayOutput> outputs, std::string_view name,
                                PixelPoint position, PixelSize scaled) {
    const DisplayOutput* found = nullptr;
    std::int64_t foundMiss = 0;
    const auto consider = [&](const DisplayOutput& output) {
        const std::int64_t miss = std::abs(std::int64_t{output.mode.width} - scaled.width) +
                                  std::abs(std::int64_t{output.mode.height} - scaled.height);
        if (found == nullptr || miss < foundMiss) {
            found = &output;
            foundMiss = miss;
        }
    };
    for (const DisplayOutput& output : outputs) {
        if (!name.empty() && output.name == name) {
            consider(output);
        }
    }
    if (found != nullptr) {
        return found;
    }
    for (const DisplayOutput& output : outputs) {
        if (output.position == position) {
            consider(output);
        }
    }
    return found;
}

std::optional<ScreenPixels> CoverScreen(const PixelRect& logicalScreen, double scale,
                                        const DisplayOutput* output) {
    if (logicalScreen.width <= 0 || logicalScreen.height <= 0) {
        return std::nullopt;
    }
    const PixelSize scaled = PhysicalSize(logicalScreen, scale);
    if (output == nullptr || output->mode == scaled) {
        return ScreenPixels{scaled, scale};
    }
    const PixelSize mode = output->mode;
    if (mode.width <= 0 || mode.height <= 0) {
        return std::nullopt;
    }
    if (WithinRounding(mode, scaled, scale)) {
        // The toolkit rounded the output's size to logical pixels (a fractional scale): the mode
        // is the size, and the scale still converts positions exactly.
        return ScreenPixels{mode, scale};
    }
    // Stretched to the mode's width, the screen must meet its height within a pixel.
    const double perLogical = static_cast<double>(mode.width) / logicalScreen.width;
    if (std::abs(ToPhysicalLength(logicalScreen.height, perLogical) - mode.height) > 1) {
        return std::nullopt;
    }
    return ScreenPixels{mode, perLogical};
}

}  // namespace norvessa
