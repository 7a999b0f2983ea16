#pragma once

#include <cstdint>
#include <limits>

#include "heading/HeadingMath.h"

namespace instrument {

// The smallest, largest and mean value of one quantity.
struct Extremes {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    double sum = 0.0;

    void add(double v) {
        if (v < min) min = v;
        if (v > max) max = v;
        sum += v;
    }
};

// Extremes of every axis and of the total over the samples since the last reset, and when the
// total peaked. Values are microtesla, times the samples' own seconds.
class Statistics {
  public:
    void add(const heading::Vector3& field, double t);
    void reset() { *this = Statistics(); }

    std::uint64_t samples() const { return samples_; }
    const Extremes& x() const { return x_; }
    const Extremes& y() const { return y_; }
    const Extremes& z() const { return z_; }
    const Extremes& total() const { return total_; }
    double mean(const Extremes& e) const {
        return samples_ ? e.sum / static_cast<double>(samples_) : 0.0;
    }
    double peakTime() const { return peakTime_; }
    // From the first sample's time to the last's.
    double seconds() const { return samples_ ? last_ - first_ : 0.0; }

  private:
    Extremes x_, y_, z_, total_;
    std::uint64_t samples_ = 0;
    double peakTime_ = 0.0;
    double first_ = 0.0;
    double last_ = 0.0;
};

}  // namespace instrument
