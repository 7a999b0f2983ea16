#pragma once

#include <cstdint>
#include <optional>

#include "station/StationValue.h"

namespace station {

// One sample on its way to a station: its UTC time and its components in nT, NaN where the
// sample has none.
struct StationSample {
    double utc = 0.0;
    double v[4] = {kMissing, kMissing, kMissing, kMissing};  // x, y, z and the source's own F
};

// Averages the samples of each UTC second into its 1-second value. Samples must come in time
// order: one earlier than the second being averaged (a system clock stepped back) is left out
// and counted, so that no second is made twice. Each component is the mean of the samples that
// have it; F is the mean of the source's own totals where samples carry one, otherwise the
// vector total of the second's x, y and z.
class SecondMeans {
  public:
    // after: seconds up to this one are done already (a restart's last second in its file).
    explicit SecondMeans(bool scalarTotal, std::optional<std::int64_t> after = std::nullopt)
        : scalarTotal_(scalarTotal), after_(after) {}

    // Takes the next sample; returns the second it completes, if it starts a later one.
    std::optional<StationValue> add(const StationSample& sample);
    // The second being averaged, completed now (the samples have ended).
    std::optional<StationValue> flush();

    std::uint64_t leftOut() const { return leftOut_; }

  private:
    StationValue complete() const;

    bool scalarTotal_;
    std::optional<std::int64_t> after_;
    std::optional<std::int64_t> second_;  // the second being averaged
    double sum_[4] = {0, 0, 0, 0};
    std::uint32_t count_[4] = {0, 0, 0, 0};
    std::uint64_t leftOut_ = 0;
};

}  // namespace station
