#pragma once
// The glass of a simulated touch screen and the calibration its controller computes. A finger
// touches the glass at some position; the digitizer reads it through a distortion (a scale
// error, an offset, a slight rotation of the sensor against the display); the controller
// reports that raw reading until a calibration run has taught it a correction, and the
// corrected reading after. Everything is in digitizer units, 0 to 32767 on both axes, the
// digitizer's logical range; the display server maps unit u on a W-pixel axis to pixel
// floor(u * W / 32768), so pixel p is best hit at unit (p + 0.5) * 32768 / W.

#include <cstdint>
#include <optional>
#include <vector>

#include "calibration/affine_fit.h"

namespace norvessa::sim {

inline constexpr std::int32_t DIGITIZER_MAX = 32767;
inline constexpr double DIGITIZER_RANGE = 32768.0;

// A position on the glass, in units; it needs no rounding, a finger is not quantised.
struct GlassPoint {
    double x = 0;
    double y = 0;
};

// A reading in whole units. Reported positions lie within 0 to DIGITIZER_MAX; raw readings
// may lie beyond, since the sensor covers more than the logical range and a correction must
// be able to bring a touch near the edge back from there.
struct DigitizerPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const DigitizerPoint&, const DigitizerPoint&) = default;
};

// The glass position the display server takes for the centre of pixel (x, y) on a
// width x height screen.
GlassPoint GlassAtPixel(double x, double y, std::int32_t width, std::int32_t height);

// How the digitizer misreads the glass, about the centre of the range: the reading is
// centre + scale * rotate(glass - centre) + offset.
struct Distortion {
    double scale = 1;  // 1.03 reads 3 % too far from the centre
    double offsetX = 0;
    double offsetY = 0;
    double rotationDegrees = 0;  // the sensor turned against the display
};

// A 3 % scale error, 800 units of offset on both axes (25 px on a 1024-px screen) and a
// rotation of 1 degree: plainly off target, as an uncalibrated screen is.
Distortion DefaultDistortion();

class ScreenModel {
  public:
    explicit ScreenModel(Distortion distortion = DefaultDistortion()) : distortion_(distortion) {}

    // What the digitizer reads for a finger at `glass`, before any correction and before
    // clamping to the logical range.
    DigitizerPoint Raw(GlassPoint glass) const;
    // What the controller reports for a finger at `glass`: the raw reading, corrected once a
    // calibration has succeeded, clamped to the logical range.
    DigitizerPoint Reported(GlassPoint glass) const;
    bool calibrated() const { return correction_.has_value(); }

    // A set-up frame: a run of `count` targets on a screenWidth x screenHeight screen
    // starts. Pairs of an earlier run are dropped; its correction stays until this run's
    // Finish succeeds.
    void BeginCalibration(std::int32_t screenWidth, std::int32_t screenHeight, int count);
    // A point frame: target `number` (1 to count) at pixel (xPx, yPx) is about to be touched.
    void Announce(int number, std::int32_t xPx, std::int32_t yPx);
    // A lift-off at `glass`: its raw reading is paired with the last announced target. A later
    // lift-off on the same target replaces it, since the tool refuses taps before it accepts
    // a touch and only then announces the next target.
    void LiftOff(GlassPoint glass);
    // After the last target: fits the correction from raw readings to targets. True, and the
    // correction applies from now on, when every target has a lift-off and the fit is sound;
    // false leaves the correction as it was before the run.
    bool Finish();
    // A reset frame: back to the raw readings.
    void Reset() { correction_.reset(); }

  private:
    struct Pair {
        bool touched = false;
        GlassPoint target;  // the target pixel's centre, in units
        DigitizerPoint raw;
    };

    Distortion distortion_;
    std::optional<AffineMap> correction_;  // raw units -> target units
    std::int32_t screenWidth_ = 0;
    std::int32_t screenHeight_ = 0;
    int current_ = 0;  // the announced target, 0 for none
    std::vector<Pair> pairs_;
};

}  // namespace norvessa::sim
