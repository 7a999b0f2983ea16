#pragma once

#include <array>
#include <cstddef>
#include <optional>

#include "heading/HeadingMath.h"

namespace instrument {

// Zero: the field the user takes as the reference, so that the readouts show what changed from
// it. The reference is the mean of the last samples, not one sample, so that a noisy sensor
// does not zero on a spike.
class Reference {
  public:
    static constexpr std::size_t kSamples = 10;

    // Every sample, whether a reference is in force or not.
    void add(const heading::Vector3& field);
    // Takes the mean of the last kSamples samples (fewer when fewer came) as the reference;
    // false, and nothing changes, when no sample has come yet.
    bool capture();
    void clear() { reference_.reset(); }

    const std::optional<heading::Vector3>& reference() const { return reference_; }
    // field - reference (field itself without one).
    heading::Vector3 relative(const heading::Vector3& field) const;

  private:
    std::array<heading::Vector3, kSamples> last_{};
    std::size_t next_ = 0;
    std::size_t count_ = 0;
    std::optional<heading::Vector3> reference_;
};

}  // namespace instrument
