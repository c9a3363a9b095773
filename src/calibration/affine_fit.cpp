#include "calibration/affine_fit.h"

#include <array>
#include <cmath>

namespace norvessa {
namespace {

using Matrix3 = std::array<std::array<double, 3>, 3>;
using Vector3 = std::array<double, 3>;

double Determinant(const Matrix3& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Cramer's rule: the normal equations are 3 x 3 and well scaled once centred.
Vector3 Solve(const Matrix3& m, const Vector3& rhs, double determinant) {
    Vector3 solution{};
    for (std::size_t column = 0; column < 3; ++column) {
        Matrix3 replaced = m;
        for (std::size_t row = 0; row < 3; ++row) {
            replaced[row][column] = rhs[row];
        }
        solution[column] = Determinant(replaced) / determinant;
    }
    return solution;
}

}  // namespace

std::optional<AffineFit> FitAffine(const std::vector<PixelPoint>& targets,
                                   const std::vector<PixelPoint>& touches) {
    if (targets.size() < 3 || targets.size() != touches.size()) {
        return std::nullopt;
    }
    // Centred on the targets' mean, so screen-sized coordinates do not swamp the constant term.
    double meanX = 0;
    double meanY = 0;
    for (const PixelPoint& target : targets) {
        meanX += target.x;
        meanY += target.y;
    }
    meanX /= static_cast<double>(targets.size());
    meanY /= static_cast<double>(targets.size());

    Matrix3 normal{};
    Vector3 rhsX{};
    Vector3 rhsY{};
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const Vector3 row{targets[i].x - meanX, targets[i].y - meanY, 1.0};
        for (std::size_t r = 0; r < 3; ++r) {
            for (std::size_t c = 0; c < 3; ++c) {
                normal[r][c] += row[r] * row[c];
            }
            rhsX[r] += row[r] * touches[i].x;
            rhsY[r] += row[r] * touches[i].y;
        }
    }
    const double determinant = Determinant(normal);
    // Collinear targets leave one direction of the map undetermined.
    const double scale = normal[0][0] * normal[1][1] * normal[2][2];
    if (!(std::fabs(determinant) > 1e-9 * scale) || scale <= 0) {
        return std::nullopt;
    }
    const Vector3 px = Solve(normal, rhsX, determinant);
    const Vector3 py = Solve(normal, rhsY, determinant);
    AffineFit fit;
    fit.map = {px[0], px[1], px[2] - px[0] * meanX - px[1] * meanY,
               py[0], py[1], py[2] - py[0] * meanX - py[1] * meanY};
    double sumSquares = 0;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const double rx = fit.map.MapX(targets[i].x, targets[i].y) - touches[i].x;
        const double ry = fit.map.MapY(targets[i].x, targets[i].y) - touches[i].y;
        sumSquares += rx * rx + ry * ry;
    }
    fit.rmsResidual = std::sqrt(sumSquares / static_cast<double>(targets.size()));
    return fit;
}

}  // namespace norvessa
