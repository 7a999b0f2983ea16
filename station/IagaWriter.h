#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "station/StationValue.h"

namespace station {

// Lays a station's values out as an IAGA-2002 file: the header lines, then one line per second
// or minute, each exactly kLineBytes with its newline. Values in nT as %10.2f; 99999.00 where
// missing, 88888.00 for a component not recorded, and 99999.00 too for a value too large for
// its columns (a magnet on the sensor, not the Earth's field).
class IagaWriter {
  public:
    static constexpr std::size_t kLineBytes = 71;
    enum class Interval { Second = 1, Minute = 60 };

    IagaWriter(const StationInfo& info, Interval interval);

    std::string header() const;
    // Writes the line for value into out (kLineBytes, newline included).
    void line(const StationValue& value, char* out) const;
    std::int64_t step() const { return static_cast<std::int64_t>(interval_); }
    Interval interval() const { return interval_; }

    // "bou20180901vsec.sec": the day file holding the value at time (seconds since the epoch).
    std::string fileName(std::int64_t time) const;

  private:
    StationInfo info_;
    Interval interval_;
};

}  // namespace station
