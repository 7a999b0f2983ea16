#pragma once

#include <cmath>

namespace instrument {

// A field in microtesla along the device's axes.
struct Vector {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    // Summed as the meter sums its total, so the two agree to the last digit.
    double length() const { return std::sqrt((x * x + y * y) + z * z); }
    friend bool operator==(const Vector&, const Vector&) = default;
};

}  // namespace instrument
