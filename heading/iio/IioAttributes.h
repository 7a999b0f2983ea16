#pragma once

#include <array>
#include <stdexcept>
#include <string_view>

#include "heading/HeadingMath.h"

namespace heading {

// Rows of a 3×3 matrix; each row gives one device axis from the sensor's axes.
struct Matrix3 {
    std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};

    Vector3 operator*(const Vector3& v) const {
        return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
                m[6] * v.x + m[7] * v.y + m[8] * v.z};
    }
    friend bool operator==(const Matrix3&, const Matrix3&) = default;
};

// What a sysfs attribute held when it is not what it should be. The message says what was
// expected and what was found; the caller adds which file.
class AttributeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The parsers take an attribute's text as read (a trailing newline is fine) and throw
// AttributeError for anything else.

// A raw reading: a whole number.
long long parseIioRaw(std::string_view text);
// A scale: a positive finite number.
double parseIioScale(std::string_view text);
// An offset: a finite number.
double parseIioOffset(std::string_view text);
// A sampling frequency in Hz: above 0, at most 100000.
double parseIioSamplingFrequency(std::string_view text);
// A mount matrix "a, b, c; d, e, f; g, h, i": three rows of three finite numbers. A matrix
// that flattens space (determinant 0) would lose an axis, so it is refused.
Matrix3 parseIioMountMatrix(std::string_view text);

}  // namespace heading
