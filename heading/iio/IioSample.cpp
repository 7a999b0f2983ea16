#include "heading/iio/IioSample.h"

#include <cmath>

namespace heading {

namespace {
constexpr double kGaussToMicrotesla = 100.0;
}

heading::Heading iioSample(const Vector3& field, const IioTriad::Reading* gravity,
                           std::optional<double> declination, double t) {
    heading::Heading h;
    h.x = field.x * kGaussToMicrotesla;
    h.y = field.y * kGaussToMicrotesla;
    h.z = field.z * kGaussToMicrotesla;
    const bool tilted = gravity && gravity->error == 0;
    h.magneticHeading = tilted ? tiltCompensatedHeading({h.x, h.y, h.z}, gravity->value)
                               : magneticHeadingFromAxes(h.x, h.y);
    // Huge but finite axes can still overflow the tilt maths; the flat heading cannot.
    if (!std::isfinite(h.magneticHeading)) h.magneticHeading = magneticHeadingFromAxes(h.x, h.y);
    if (tilted) {
        h.gravityX = gravity->value.x;
        h.gravityY = gravity->value.y;
        h.gravityZ = gravity->value.z;
    }
    h.trueHeading = trueHeadingFrom(h.magneticHeading, declination);
    h.timestamp = t;
    return h;
}

}  // namespace heading
