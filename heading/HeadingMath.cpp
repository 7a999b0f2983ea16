#include "heading/HeadingMath.h"

#include <cmath>
#include <numbers>

namespace heading {

double normalizeDegrees(double degrees) {
    // Headings from atan2 lie within one turn, where fmod would return its argument unchanged:
    // skip its cost on the per-sample path.
    if (degrees >= 0.0 && degrees < 360.0) return degrees;
    double d = degrees > -360.0 && degrees < 0.0 ? degrees : std::fmod(degrees, 360.0);
    if (d < 0.0) d += 360.0;
    if (d >= 360.0) d = 0.0;  // -1e-20 + 360 rounds to 360
    return d;
}

double magneticHeadingFromAxes(double x, double y) {
    return normalizeDegrees(std::atan2(-x, y) * 180.0 / std::numbers::pi);
}

double trueHeadingFrom(double magnetic, std::optional<double> declination) {
    if (!declination) return -1.0;
    return normalizeDegrees(magnetic + *declination);
}

namespace {

Vector3 cross(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(const Vector3& a, const Vector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

}  // namespace

double length(const Vector3& a) {
    return std::sqrt(dot(a, a));
}

double tiltCompensatedHeading(const Vector3& field, const Vector3& gravity) {
    // "up" is the accelerometer's reading direction. East is horizontal and at right angles to
    // the field: field × up. North is up × east. The heading is the angle, clockwise seen from
    // above, from north to the projection of the device's top edge (0, 1, 0).
    const double g = length(gravity);
    if (!(g > 0.0) || !std::isfinite(g)) return magneticHeadingFromAxes(field.x, field.y);
    const Vector3 up{gravity.x / g, gravity.y / g, gravity.z / g};
    const Vector3 east = cross(field, up);
    const Vector3 north = cross(up, east);
    const double e = length(east), n = length(north);
    if (!(e > 0.0) || !(n > 0.0)) return magneticHeadingFromAxes(field.x, field.y);
    // Components of the top edge along north and east.
    const double topNorth = north.y / n;
    const double topEast = east.y / e;
    return normalizeDegrees(std::atan2(topEast, topNorth) * 180.0 / std::numbers::pi);
}

}  // namespace heading
