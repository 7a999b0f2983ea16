#pragma once

#include <array>

#include "heading/HeadingMath.h"

namespace heading {

// What the simulated source adds to its field for trying calibration without a sensor: a device
// tumbling through every orientation, and the hard- and soft-iron distortion of a sensor
// mounted near steel: raw = soft · field + offset. And a hum on x, as of mains wiring nearby.
struct SimulatedMotion {
    static constexpr double kYawPeriod = 4.0;     // s per turn about the screen's normal
    static constexpr double kPitchPeriod = 15.0;  // s per turn about the device's x axis

    bool tumble = false;
    Vector3 offset;                                         // µT
    std::array<double, 9> soft{1, 0, 0, 0, 1, 0, 0, 0, 1};  // row-major
    double humHz = 0.0;
    double humAmplitude = 0.0;  // µT, peak; no hum at 0

    bool distorted() const;
    bool any() const { return tumble || distorted(); }

    // The device's attitude at t seconds: the world's field and "up" in device axes.
    static Vector3 toDevice(double t, const Vector3& world);
    Vector3 distort(const Vector3& field) const;
    // What the hum adds to x at t seconds.
    double hum(double t) const;
};

}  // namespace heading
