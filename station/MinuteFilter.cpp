#include "station/MinuteFilter.h"

#include <algorithm>
#include <cmath>

namespace station {

namespace {

constexpr std::int64_t kMinute = 60;

std::int64_t minuteAtOrAfter(std::int64_t t) {
    const std::int64_t down =
        t >= 0 ? t / kMinute * kMinute : -((-t + kMinute - 1) / kMinute) * kMinute;
    return down == t ? t : down + kMinute;
}

struct Weights {
    double w[2 * MinuteFilter::kHalfWidth + 1];
    Weights() {
        for (int i = -MinuteFilter::kHalfWidth; i <= MinuteFilter::kHalfWidth; ++i)
            w[i + MinuteFilter::kHalfWidth] =
                std::exp(-(i * i) / (2.0 * MinuteFilter::kSigma * MinuteFilter::kSigma));
    }
};
const Weights kWeights;

}  // namespace

double MinuteFilter::weight(int offset) {
    return kWeights.w[offset + kHalfWidth];
}

MinuteFilter::MinuteFilter(std::optional<std::int64_t> from) : from_(from) {}

void MinuteFilter::push(const StationValue& second, std::vector<StationValue>& minutes) {
    const std::int64_t s = second.time;
    if (last_ && s <= *last_) return;
    if (!next_) {
        // The first minute that these seconds could fill.
        next_ = minuteAtOrAfter(s + kHalfWidth - kMaxMissing);
        if (from_) next_ = std::max(*next_, *from_);
    }
    // Minutes that end before this second are complete without it.
    if (last_) giveUpTo(s - 1, minutes);
    Slot& slot = ring_[static_cast<std::size_t>(((s % std::int64_t(kRing)) + std::int64_t(kRing)) %
                                                std::int64_t(kRing))];
    slot.time = s;
    slot.v[0] = second.x;
    slot.v[1] = second.y;
    slot.v[2] = second.z;
    slot.v[3] = second.f;
    last_ = s;
    giveUpTo(s, minutes);
}

void MinuteFilter::finish(std::vector<StationValue>& minutes) {
    if (!last_) return;
    giveUpTo(*last_, minutes);
    // Seconds that will never come count as missing: a minute short of at most kMaxMissing
    // of them is still computable.
    while (*next_ + kHalfWidth - kMaxMissing <= *last_) {
        minutes.push_back(compute(*next_));
        *next_ += kMinute;
    }
}

void MinuteFilter::giveUpTo(std::int64_t known, std::vector<StationValue>& minutes) {
    while (*next_ + kHalfWidth <= known) {
        if (*next_ - kHalfWidth > *last_) {
            // Nothing of this minute came: skip on to the first that the next second can reach.
            *next_ = std::max(*next_, minuteAtOrAfter(known + 1 - kHalfWidth));
            return;
        }
        minutes.push_back(compute(*next_));
        *next_ += kMinute;
    }
}

StationValue MinuteFilter::compute(std::int64_t minute) const {
    double sum[4] = {0, 0, 0, 0};
    double weights[4] = {0, 0, 0, 0};
    int present[4] = {0, 0, 0, 0};
    for (int i = -kHalfWidth; i <= kHalfWidth; ++i) {
        const std::int64_t t = minute + i;
        if (t > *last_) break;
        const Slot& slot = ring_[static_cast<std::size_t>(
            ((t % std::int64_t(kRing)) + std::int64_t(kRing)) % std::int64_t(kRing))];
        if (slot.time != t) continue;
        const double w = weight(i);
        for (int c = 0; c < 4; ++c) {
            if (std::isnan(slot.v[c])) continue;
            sum[c] += w * slot.v[c];
            weights[c] += w;
            ++present[c];
        }
    }
    double out[4];
    for (int c = 0; c < 4; ++c)
        out[c] = 2 * kHalfWidth + 1 - present[c] <= kMaxMissing ? sum[c] / weights[c] : kMissing;
    StationValue value;
    value.time = minute;
    value.x = out[0];
    value.y = out[1];
    value.z = out[2];
    value.f = out[3];
    return value;
}

}  // namespace station
