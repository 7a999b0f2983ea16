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

std::optional<MatrixProblem> Calibration::problem() const {
    return matrixProblem(matrix, offset, "the matrix");
}

}  // namespace heading::calibration
