#pragma once

#include <optional>

namespace heading {

// Degrees folded into [0, 360).
double normalizeDegrees(double degrees);

// The heading of a device lying flat (x right, y towards the top, z out of the screen): the
// angle from magnetic north to the top edge, clockwise, in [0, 360).
double magneticHeadingFromAxes(double x, double y);

// magnetic + declination in [0, 360), or -1 (unknown) without a declination.
double trueHeadingFrom(double magnetic, std::optional<double> declination);

struct Vector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    friend bool operator==(const Vector3&, const Vector3&) = default;
};

// Summed as (x² + y²) + z², as the meter sums its total, so that the two agree to the last digit.
double length(const Vector3& v);

// The heading of a tilted device, given the field and the accelerometer's reading (its
// reaction to gravity, pointing out of the screen when flat) in device axes. The field is
// projected onto the horizontal plane before the heading is taken; a reading with no usable
// gravity falls back to the flat heading.
double tiltCompensatedHeading(const Vector3& field, const Vector3& gravity);

}  // namespace heading
