#include "heading/simulated/SimulatedMotion.h"

#include <cmath>
#include <numbers>

namespace heading {

bool SimulatedMotion::distorted() const {
    static constexpr std::array<double, 9> identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
    return offset.x != 0.0 || offset.y != 0.0 || offset.z != 0.0 || soft != identity;
}

Vector3 SimulatedMotion::toDevice(double t, const Vector3& w) {
    // The device turns about its own x axis (pitch) while it spins about the vertical (yaw):
    // device = Rx(pitch)ᵀ Rz(yaw)ᵀ world. The two periods do not divide each other, so the
    // field sweeps the whole sphere of directions in one pitch turn.
    const double yaw = 2.0 * std::numbers::pi * std::fmod(t, kYawPeriod) / kYawPeriod;
    const double pitch = 2.0 * std::numbers::pi * std::fmod(t, kPitchPeriod) / kPitchPeriod;
    const double cy = std::cos(yaw), sy = std::sin(yaw);
    const double x1 = cy * w.x + sy * w.y, y1 = -sy * w.x + cy * w.y, z1 = w.z;
    const double cp = std::cos(pitch), sp = std::sin(pitch);
    return {x1, cp * y1 + sp * z1, -sp * y1 + cp * z1};
}

Vector3 SimulatedMotion::distort(const Vector3& f) const {
    const auto& m = soft;
    return {m[0] * f.x + m[1] * f.y + m[2] * f.z + offset.x,
            m[3] * f.x + m[4] * f.y + m[5] * f.z + offset.y,
            m[6] * f.x + m[7] * f.y + m[8] * f.z + offset.z};
}

double SimulatedMotion::hum(double t) const {
    if (humAmplitude == 0.0) return 0.0;
    // The phase from the fraction of a cycle, so that it stays exact hours into a run.
    return humAmplitude * std::sin(2.0 * std::numbers::pi * std::fmod(humHz * t, 1.0));
}

}  // namespace heading
