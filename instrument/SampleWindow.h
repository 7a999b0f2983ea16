#pragma once

#include <cstddef>
#include <vector>

namespace instrument {

// One sample as the AC analysis needs it: when, and the three axes in µT.
struct TimedSample {
    double t = 0.0;  // seconds
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// The last kCapacity samples in a ring, allocated once: adding never allocates.
class SampleWindow {
  public:
    static constexpr std::size_t kCapacity = 4096;

    SampleWindow();

    void add(const TimedSample& sample);
    void clear();

    std::size_t size() const { return size_; }
    // The i-th of the last n samples, oldest first (i < n <= size()).
    const TimedSample& last(std::size_t n, std::size_t i) const;

  private:
    std::vector<TimedSample> ring_;
    std::size_t next_ = 0;
    std::size_t size_ = 0;
};

}  // namespace instrument
