#pragma once

#include <array>
#include <cstddef>
#include <optional>

#include "instrument/Vector.h"

namespace instrument {

// Zero: the field the user takes as the reference, so that the readouts show what changed from
// it. The reference is the mean of the last samples, not one sample, so that a noisy sensor
// does not zero on a spike.
class Reference {
  public:
    static constexpr std::size_t kSamples = 10;

    // Every sample, whether a reference is in force or not.
    void add(const Vector& field);
    // Takes the mean of the last kSamples samples (fewer when fewer came) as the reference;
    // false, and nothing changes, when no sample has come yet.
    bool capture();
    void clear() { reference_.reset(); }

    const std::optional<Vector>& reference() const { return reference_; }
    // field - reference (field itself without one).
    Vector relative(const Vector& field) const;

  private:
    std::array<Vector, kSamples> last_{};
    std::size_t next_ = 0;
    std::size_t count_ = 0;
    std::optional<Vector> reference_;
};

}  // namespace instrument
