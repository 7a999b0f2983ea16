#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "heading/simulated/SimulatedMotion.h"

namespace heading {

// A --heading-source value taken apart.
struct SourceChoice {
    enum class Kind { Auto, Iio, Replay, Simulated, None };

    static constexpr double kDefaultRate = 50.0;
    static constexpr double kMaxRate = 100000.0;

    Kind kind = Kind::Auto;
    std::string device;  // iio: the device asked for, empty for the first one
    std::string file;    // replay
    // replay: how fast, as a multiple of real time; 0 for as fast as the road takes them.
    double speed = 1.0;
    // replay of a CSV recording: the UTC time of its first sample, in ms since the epoch.
    std::optional<std::int64_t> startMs;
    double rate = kDefaultRate;  // simulated, samples per second; iio with iioRate
    bool iioRate = false;        // iio: rate=HZ was given
    SimulatedMotion motion;      // simulated: tumble, offset=X,Y,Z, soft=3 or 9 numbers
};

// Throws SourceError naming the part that is wrong and what is accepted.
SourceChoice parseSourceChoice(std::string_view text);

}  // namespace heading
