#include "heading/simulated/SimulatedField.h"

#include <cmath>
#include <numbers>

#include "heading/HeadingMath.h"

namespace heading {

heading::Heading SimulatedField::sample(std::uint64_t n, double rate,
                                        std::optional<double> declination) {
    const double t = static_cast<double>(n) / rate;
    // The top edge turns clockwise from north: the field seen by the device turns the other way.
    const double turn = 2.0 * std::numbers::pi * std::fmod(t, kTurnPeriod) / kTurnPeriod;
    double x = -kHorizontal * std::sin(turn);
    double y = kHorizontal * std::cos(turn);
    double z = kVertical;

    const double intoPass = std::fmod(t, kMagnetPeriod) - kMagnetStart;
    if (intoPass > 0.0 && intoPass < kMagnetDuration) {
        const double s = std::sin(std::numbers::pi * intoPass / kMagnetDuration);
        const double w = s * s;  // rises and falls smoothly
        x += kMagnetX * w;
        y += kMagnetY * w;
        z += kMagnetZ * w;
    }

    heading::Heading h;
    h.x = x;
    h.y = y;
    h.z = z;
    h.magneticHeading = magneticHeadingFromAxes(x, y);
    h.trueHeading = trueHeadingFrom(h.magneticHeading, declination);
    h.timestamp = t;
    return h;
}

heading::Heading SimulatedField::sample(std::uint64_t n, double rate,
                                        std::optional<double> declination,
                                        const SimulatedMotion& motion) {
    const double t = static_cast<double>(n) / rate;
    if (!motion.any()) {
        heading::Heading h = sample(n, rate, declination);
        if (motion.humAmplitude != 0.0) {
            h.x += motion.hum(t);
            h.magneticHeading = magneticHeadingFromAxes(h.x, h.y);
            h.trueHeading = trueHeadingFrom(h.magneticHeading, declination);
        }
        return h;
    }
    Vector3 field{0.0, kHorizontal, kVertical};  // world: x east, y north, z up
    Vector3 up{0.0, 0.0, 1.0};
    if (motion.tumble) {
        field = SimulatedMotion::toDevice(t, field);
        up = SimulatedMotion::toDevice(t, up);
    } else {
        heading::Heading flat = sample(n, rate, declination);
        field = {flat.x, flat.y, flat.z};
    }
    Vector3 raw = motion.distort(field);
    raw.x += motion.hum(t);
    heading::Heading h;
    h.x = raw.x;
    h.y = raw.y;
    h.z = raw.z;
    // As an accelerometer reads it, in m/s².
    constexpr double kStandardGravity = 9.80665;
    h.gravityX = up.x * kStandardGravity;
    h.gravityY = up.y * kStandardGravity;
    h.gravityZ = up.z * kStandardGravity;
    h.magneticHeading = tiltCompensatedHeading(raw, up);
    h.trueHeading = trueHeadingFrom(h.magneticHeading, declination);
    h.timestamp = t;
    return h;
}

}  // namespace heading
