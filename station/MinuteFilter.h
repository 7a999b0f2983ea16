#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "station/StationValue.h"

namespace station {

// Makes minute values from 1-second values by the INTERMAGNET filter: a Gaussian of the 91
// seconds centred on the minute (hh:mm:00 takes hh:mm-1:15 through hh:mm:45), sigma 15.8734 s,
// weights normalised to 1. Each component separately: with up to kMaxMissing of its 91 seconds
// missing the weights are renormalised over the rest; with more the component is missing.
//
// Seconds come in time order. A minute is given as soon as its last second is known, in order,
// each once. Minutes whose 91 seconds are all missing (a long gap) are not given at all: the
// files write those as missing themselves.
class MinuteFilter {
  public:
    static constexpr int kHalfWidth = 45;
    static constexpr int kMaxMissing = 9;  // 10% of 91
    static constexpr double kSigma = 15.8734;

    // from: no minute before this one is given (a restart's next minute after its file's last).
    explicit MinuteFilter(std::optional<std::int64_t> from = std::nullopt);

    // Takes the next second (later than any before; an earlier one is ignored) and appends
    // the minutes it completes to minutes.
    void push(const StationValue& second, std::vector<StationValue>& minutes);
    // The seconds have ended: appends every minute still computable from what came.
    void finish(std::vector<StationValue>& minutes);

    // The weight of second offset -45..45 from the minute, before any renormalising.
    static double weight(int offset);

  private:
    static constexpr std::size_t kRing = 128;  // more than 91 + 45 seconds back
    struct Slot {
        std::int64_t time = INT64_MIN;
        double v[4];
    };
    void giveUpTo(std::int64_t known, std::vector<StationValue>& minutes);
    StationValue compute(std::int64_t minute) const;

    std::array<Slot, kRing> ring_{};
    std::optional<std::int64_t> from_;
    std::optional<std::int64_t> next_;  // the next minute to give
    std::optional<std::int64_t> last_;  // the latest second pushed
};

}  // namespace station
