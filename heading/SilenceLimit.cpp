#include "heading/SilenceLimit.h"

#include <algorithm>
#include <cmath>

namespace heading {

void SilenceLimit::sample(double t) {
    if (!std::isfinite(t)) return;
    // A stamp that does not move on (a batch stamped alike) or goes back (a source started
    // again) says nothing of pace.
    if (last_ && t > *last_) {
        intervals_[next_] = t - *last_;
        next_ = (next_ + 1) % kIntervals;
        count_ = std::min(count_ + 1, kIntervals);
    }
    last_ = t;
}

void SilenceLimit::reset() {
    count_ = next_ = 0;
    last_.reset();
}

double SilenceLimit::seconds() const {
    double interval = 0.0;
    if (count_ > 0) {
        std::array<double, kIntervals> sorted = intervals_;
        const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(count_);
        const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(count_ / 2);
        std::nth_element(sorted.begin(), middle, end);
        interval = *middle;
    }
    if (rate_ && *rate_ > 0.0) interval = std::max(interval, 1.0 / *rate_);
    return std::max(kFloorSeconds, kMissed * interval);
}

}  // namespace heading
