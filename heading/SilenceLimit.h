#pragma once

#include <array>
#include <cstddef>
#include <optional>

namespace heading {

// How long a source may stay silent before its readings count as stopped: at least a second,
// and three of its own intervals, so that a slow sensor (many drivers start at 1 Hz) does not
// look dead between two samples. Its interval is the median of the last few between samples,
// by their own timestamps (a batch delivered at once still shows the device's pace), or the
// device's sampling frequency when that says longer.
class SilenceLimit {
  public:
    static constexpr double kFloorSeconds = 1.0;
    static constexpr double kMissed = 3.0;
    static constexpr std::size_t kIntervals = 15;

    // A sample stamped t seconds (the source's clock).
    void sample(double t);
    // The device's sampling frequency, when known.
    void setRate(std::optional<double> hz) { rate_ = hz; }
    // A new source: its intervals are not the old one's.
    void reset();

    double seconds() const;
    bool stale(double silentSeconds) const { return silentSeconds >= seconds(); }

  private:
    std::array<double, kIntervals> intervals_{};
    std::size_t count_ = 0, next_ = 0;
    std::optional<double> last_;
    std::optional<double> rate_;
};

}  // namespace heading
