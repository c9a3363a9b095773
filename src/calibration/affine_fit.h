#pragma once
// The affine map that carries check points onto the touches, fitted by least squares: how a
// touch screen's mapping went wrong (an offset, a scale, a swap, a mirror, a rotation) shows
// in it at once, where single errors only show a mess.

#include <optional>
#include <vector>

#include "calibration/check_points.h"

namespace norvessa {

// touch.x = a * x + b * y + c;  touch.y = d * x + e * y + f
struct AffineMap {
    double a = 1, b = 0, c = 0;
    double d = 0, e = 1, f = 0;

    double MapX(double x, double y) const { return a * x + b * y + c; }
    double MapY(double x, double y) const { return d * x + e * y + f; }
};

struct AffineFit {
    AffineMap map;
    double rmsResidual = 0;  // pixels left unexplained by the map
};

// Nothing for fewer than three points, lists of unequal length, or points on one line.
std::optional<AffineFit> FitAffine(const std::vector<PixelPoint>& targets,
                                   const std::vector<PixelPoint>& touches);

}  // namespace norvessa
