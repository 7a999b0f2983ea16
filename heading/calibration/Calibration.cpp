#include "heading/calibration/Calibration.h"

#include <cmath>

namespace heading::calibration {

const char* kindName(FitKind kind) {
    return kind == FitKind::Ellipsoid ? "ellipsoid" : "sphere";
}

void Calibration::apply(heading::Heading& h) const {
    if (!std::isfinite(h.x) || !std::isfinite(h.y) || !std::isfinite(h.z)) return;
    const Vector3 c = correct({h.x, h.y, h.z});
    const double before = h.magneticHeading;
    h.x = c.x;
    h.y = c.y;
    h.z = c.z;
    const bool flat = h.gravityX == 0.0 && h.gravityY == 0.0 && h.gravityZ == 0.0;
    h.magneticHeading = flat ? magneticHeadingFromAxes(c.x, c.y)
                             : tiltCompensatedHeading(c, {h.gravityX, h.gravityY, h.gravityZ});
    if (h.trueHeading >= 0.0 && std::isfinite(before))
        h.trueHeading = normalizeDegrees(h.trueHeading + (h.magneticHeading - before));
}

std::optional<std::string> Calibration::problem() const {
    for (double v : {offset.x, offset.y, offset.z})
        if (!std::isfinite(v)) return "the offset is not a finite number";
    double largest = 0.0;
    for (double v : matrix) {
        if (!std::isfinite(v)) return "the matrix holds a value that is not a finite number";
        largest = std::max(largest, std::fabs(v));
    }
    const auto& m = matrix;
    const double det = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                       m[2] * (m[3] * m[7] - m[4] * m[6]);
    // Relative to the matrix's scale: a tiny but well-shaped matrix is still invertible.
    if (!(largest > 0.0) || !(std::fabs(det) > 1e-9 * largest * largest * largest))
        return "the matrix is singular";
    return std::nullopt;
}

}  // namespace heading::calibration
