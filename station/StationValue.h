#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace station {

inline constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// One 1-second or 1-minute value of a station, in nT, each component NaN where it is missing.
// time is the instant the value stands for, in seconds since 1970-01-01T00:00:00Z: the second
// itself, or a minute's centre (hh:mm:00).
struct StationValue {
    std::int64_t time = 0;
    double x = kMissing;
    double y = kMissing;
    double z = kMissing;
    double f = kMissing;
};

// What the files' headers and the published messages say of the station and its sensor.
struct StationInfo {
    std::string code;                  // IAGA code, upper case, 3-4 letters ("BOU")
    std::string name;                  // station name; the code when none was given
    std::string orientation = "XYZF";  // the components as the sensor gives them ("HDZF")
    std::string reported = "XYZF";     // what the files report
    // Components the source does not record at all: written 88888.00, published null.
    bool recorded[4] = {true, true, true, true};
    // Where the station is (--location, or a replayed observatory file's own); NaN if unknown.
    double latitude = kMissing;
    double longitude = kMissing;       // degrees east, any range; the files write it 0-360
    double elevation = kMissing;       // metres
    std::string source = "fluxprobe";  // Source of Data
    std::string sampling;              // Digital Sampling ("0.02 second"); empty if unknown
};

// The change of the horizontal field from one minute to the next, in nT per minute.
struct RateOfChange {
    std::int64_t minute = 0;  // the later minute's time
    double nanoteslaPerMinute = 0.0;
    bool alert = false;  // at or above the --station-alert level
};

// Told of every value a station makes, on the main thread, in time order.
class StationListener {
  public:
    virtual ~StationListener() = default;
    virtual void onSecond(const StationValue&) {}
    virtual void onMinute(const StationValue&) {}
    virtual void onRate(const RateOfChange&) {}
};

}  // namespace station
