#pragma once

#include <cstdint>
#include <optional>

#include "heading/Heading.h"
#include "heading/simulated/SimulatedMotion.h"

namespace heading {

// A made-up Earth-like field for machines without a magnetometer: about 48 µT, its horizontal
// part turning once a minute so the heading sweeps 0..360, and every 10 seconds a magnet passing
// by for 3 seconds that lifts the total well above 100 µT. Sample n depends only on n and rate:
// it is the field at n / rate seconds.
struct SimulatedField {
    static constexpr double kHorizontal = 20.0;     // µT
    static constexpr double kVertical = -44.0;      // µT, pointing into the ground
    static constexpr double kTurnPeriod = 60.0;     // s per full turn
    static constexpr double kMagnetPeriod = 10.0;   // s between magnet passes
    static constexpr double kMagnetStart = 6.0;     // s into each period
    static constexpr double kMagnetDuration = 3.0;  // s
    static constexpr double kMagnetX = 60.0, kMagnetY = 30.0, kMagnetZ = -80.0;  // µT at peak

    static heading::Heading sample(std::uint64_t n, double rate, std::optional<double> declination);

    // With motion: the same field seen by a tumbling device (no magnet passes, gravity given),
    // through a distorting sensor, with a hum on x; the headings are what that sensor would
    // report.
    static heading::Heading sample(std::uint64_t n, double rate, std::optional<double> declination,
                                   const SimulatedMotion& motion);
};

}  // namespace heading
