#include "station/SecondMeans.h"

#include <cmath>

namespace station {

std::optional<StationValue> SecondMeans::add(const StationSample& sample) {
    if (!std::isfinite(sample.utc)) {
        ++leftOut_;
        return std::nullopt;
    }
    const auto second = static_cast<std::int64_t>(std::floor(sample.utc));
    if ((second_ && second < *second_) || (after_ && second <= *after_)) {
        ++leftOut_;
        return std::nullopt;
    }
    std::optional<StationValue> done;
    if (second_ && second > *second_) done = flush();
    second_ = second;
    for (int i = 0; i < 4; ++i) {
        if (std::isnan(sample.v[i])) continue;
        sum_[i] += sample.v[i];
        ++count_[i];
    }
    return done;
}

std::optional<StationValue> SecondMeans::flush() {
    if (!second_) return std::nullopt;
    StationValue value = complete();
    after_ = *second_;
    second_.reset();
    for (int i = 0; i < 4; ++i) {
        sum_[i] = 0.0;
        count_[i] = 0;
    }
    return value;
}

StationValue SecondMeans::complete() const {
    StationValue value;
    value.time = *second_;
    double mean[4];
    for (int i = 0; i < 4; ++i)
        mean[i] = count_[i] ? sum_[i] / static_cast<double>(count_[i]) : kMissing;
    value.x = mean[0];
    value.y = mean[1];
    value.z = mean[2];
    // NaN where any component is missing.
    value.f = scalarTotal_ ? mean[3]
                           : std::sqrt(mean[0] * mean[0] + mean[1] * mean[1] + mean[2] * mean[2]);
    return value;
}

}  // namespace station
