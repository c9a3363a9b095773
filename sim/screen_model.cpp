#include "screen_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace norvessa::sim {
namespace {

constexpr double CENTRE = DIGITIZER_RANGE / 2;

// The fit runs on whole numbers; sixteenths of a unit keep a target's sub-unit position
// (pixel centres rarely fall on whole units) and still fit int32 easily.
constexpr double FIT_SUBUNITS = 16;

// A finger aimed at a cross lands within a pixel or so of its centre, and a screen's own
// error is affine, so the fit leaves well under a pixel over. Two pixels of rms means some
// touch missed its cross: a correction built on it would shift every touch near that target.
constexpr double MAX_RMS_PIXELS = 2;

// A correction that shrinks or grows areas by half or more is no screen's error but a fit
// steered by rounding, on readings that lie (almost) on one line.
constexpr double MIN_AREA_RATIO = 0.5;
constexpr double MAX_AREA_RATIO = 2;

std::int32_t ToUnit(double value) {
    const double clamped = std::clamp(value, 0.0, static_cast<double>(DIGITIZER_MAX));
    return static_cast<std::int32_t>(std::lround(clamped));
}

// The sensor reads past the logical range; a few thousand units either side are plenty for
// any distortion worth simulating and keep the products in the fit far from int32's limits.
std::int32_t ToRawUnit(double value) {
    const double clamped = std::clamp(value, -DIGITIZER_RANGE / 4, DIGITIZER_RANGE * 5 / 4);
    return static_cast<std::int32_t>(std::lround(clamped));
}

std::int32_t ToSubunits(double units) {
    return static_cast<std::int32_t>(std::lround(units * FIT_SUBUNITS));
}

double PixelCentreToUnit(double pixel, std::int32_t size) {
    return (pixel + 0.5) * DIGITIZER_RANGE / size;
}

}  // namespace

GlassPoint GlassAtPixel(double x, double y, std::int32_t width, std::int32_t height) {
    return {PixelCentreToUnit(x, width), PixelCentreToUnit(y, height)};
}

Distortion DefaultDistortion() {
    return {.scale = 1.03, .offsetX = 800, .offsetY = 800, .rotationDegrees = 1};
}

DigitizerPoint ScreenModel::Raw(GlassPoint glass) const {
    const double radians = distortion_.rotationDegrees * std::numbers::pi / 180;
    const double cosine = std::cos(radians);
    const double sine = std::sin(radians);
    const double dx = glass.x - CENTRE;
    const double dy = glass.y - CENTRE;
    const double x = CENTRE + distortion_.scale * (cosine * dx - sine * dy) + distortion_.offsetX;
    const double y = CENTRE + distortion_.scale * (sine * dx + cosine * dy) + distortion_.offsetY;
    return {ToRawUnit(x), ToRawUnit(y)};
}

DigitizerPoint ScreenModel::Reported(GlassPoint glass) const {
    const DigitizerPoint raw = Raw(glass);
    if (!correction_) {
        return {ToUnit(raw.x), ToUnit(raw.y)};
    }
    return {ToUnit(correction_->MapX(raw.x, raw.y)), ToUnit(correction_->MapY(raw.x, raw.y))};
}

void ScreenModel::BeginCalibration(std::int32_t screenWidth, std::int32_t screenHeight, int count) {
    // The old correction stays while the run goes on: the tool's window and everything else
    // on screen keep working with it, and a run that fails or is abandoned must not leave the
    // screen worse than before. The pairs are raw readings all the same (Raw, not Reported),
    // so the new fit does not build on the old one.
    screenWidth_ = screenWidth;
    screenHeight_ = screenHeight;
    current_ = 0;
    pairs_.assign(static_cast<std::size_t>(std::max(count, 0)), Pair{});
}

void ScreenModel::Announce(int number, std::int32_t xPx, std::int32_t yPx) {
    if (number < 1 || number > static_cast<int>(pairs_.size()) || screenWidth_ <= 0 ||
        screenHeight_ <= 0) {
        current_ = 0;
        return;
    }
    current_ = number;
    pairs_[static_cast<std::size_t>(number - 1)] = {
        .touched = false, .target = GlassAtPixel(xPx, yPx, screenWidth_, screenHeight_)};
}

void ScreenModel::LiftOff(GlassPoint glass) {
    if (current_ == 0) {
        return;
    }
    Pair& pair = pairs_[static_cast<std::size_t>(current_ - 1)];
    pair.touched = true;
    pair.raw = Raw(glass);
}

bool ScreenModel::Finish() {
    current_ = 0;
    std::vector<PixelPoint> raw;
    std::vector<PixelPoint> targets;
    for (const Pair& pair : pairs_) {
        if (!pair.touched) {
            return false;
        }
        raw.push_back({ToSubunits(pair.raw.x), ToSubunits(pair.raw.y)});
        targets.push_back({ToSubunits(pair.target.x), ToSubunits(pair.target.y)});
    }
    // FitAffine maps its first list onto its second: raw readings onto targets.
    const std::optional<AffineFit> fit = FitAffine(raw, targets);
    if (!fit) {
        return false;
    }
    AffineMap map = fit->map;
    map.c /= FIT_SUBUNITS;
    map.f /= FIT_SUBUNITS;

    const double area = std::fabs(map.a * map.e - map.b * map.d);
    if (!(area > MIN_AREA_RATIO && area < MAX_AREA_RATIO)) {
        return false;
    }
    // The residual in pixels of this screen, each axis by its own pixel size.
    double sumSquares = 0;
    for (const Pair& pair : pairs_) {
        const double rx =
            (map.MapX(pair.raw.x, pair.raw.y) - pair.target.x) * screenWidth_ / DIGITIZER_RANGE;
        const double ry =
            (map.MapY(pair.raw.x, pair.raw.y) - pair.target.y) * screenHeight_ / DIGITIZER_RANGE;
        sumSquares += rx * rx + ry * ry;
    }
    const double rmsPixels = std::sqrt(sumSquares / static_cast<double>(pairs_.size()));
    if (!(rmsPixels <= MAX_RMS_PIXELS)) {
        return false;
    }
    correction_ = map;
    return true;
}

}  // namespace norvessa::sim
