#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "heading/HeadingMath.h"
#include "heading/calibration/DirectionBins.h"

namespace heading::calibration {

// Keeps a bounded, evenly thinned share of a stream of raw samples for a fit, however long the
// stream: at most kCapacity, spread over the directions the field took. Each direction bin (seen
// from the middle of the readings so far) keeps every k-th of its samples, k doubling whenever its
// share is full, so hours in one direction weigh no more than a pass through another.
class SampleThinner {
  public:
    static constexpr std::size_t kCapacity = 20'000;

    void add(const Vector3& raw);
    // Every sample kept, bin by bin.
    std::vector<Vector3> samples() const;
    std::size_t kept() const;

  private:
    static constexpr std::size_t kPerBin = kCapacity / DirectionBins::kCount;
    struct Bin {
        std::vector<Vector3> kept;
        std::size_t arrived = 0;
        std::size_t stride = 1;
    };
    std::array<Bin, DirectionBins::kCount> bins_;
    Vector3 low_, high_;
    bool any_ = false;
};

}  // namespace heading::calibration
