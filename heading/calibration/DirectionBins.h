#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>

#include "heading/HeadingMath.h"

namespace heading::calibration {

// The sphere of directions cut into 26 bins around the directions to a cube's faces, edges and
// corners as seen from its centre. Which bins the field has pointed into, seen from the fitted
// centre, says how much of the turning a fit has to go on.
class DirectionBins {
  public:
    static constexpr std::size_t kCount = 26;

    // The bin of direction d (not normalised; the zero vector falls in no bin).
    static std::optional<std::size_t> binOf(const Vector3& d);
    // The unit direction at the middle of bin i.
    static Vector3 direction(std::size_t i);

    void add(const Vector3& d);
    void addAll(std::span<const Vector3> samples, const Vector3& centre);
    bool hit(std::size_t i) const { return hit_[i]; }
    std::size_t hitCount() const;
    double percent() const;

  private:
    std::array<bool, kCount> hit_{};
};

}  // namespace heading::calibration
