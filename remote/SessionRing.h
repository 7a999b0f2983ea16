#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "heading/Heading.h"

namespace remote {

// The samples of this run, in memory, for the session download: the last kKeepSeconds of them,
// and never more than a fixed count (about ten minutes at 1,000 samples a second), so memory stays
// bounded whatever the rate and however long the run. Every sample gets a sequence number from 0;
// the ring holds [firstSequence(), nextSequence()).
class SessionRing {
  public:
    static constexpr double kKeepSeconds = 600.0;
    static constexpr std::size_t kDefaultCapacity = 600'000;

    explicit SessionRing(std::size_t capacity = kDefaultCapacity,
                         double keepSeconds = kKeepSeconds);

    // t is the sample's time as the recording would have it (never going backwards).
    void append(const heading::Heading& sample);

    std::uint64_t firstSequence() const { return next_ - size_; }
    std::uint64_t nextSequence() const { return next_; }
    std::size_t size() const { return size_; }
    // How many samples were let go of to stay within the bounds.
    std::uint64_t dropped() const { return firstSequence(); }

    // The sample with that sequence number while the ring still holds it.
    const heading::Heading* at(std::uint64_t sequence) const;

  private:
    std::vector<heading::Heading> slots_;
    std::size_t capacity_;
    double keepSeconds_;
    std::size_t head_ = 0;  // slot of the oldest sample
    std::size_t size_ = 0;
    std::uint64_t next_ = 0;
};

}  // namespace remote
