#include "qt/LatencyMeter.h"

#include <algorithm>
#include <cmath>

namespace platform::qt {

LatencyMeter::LatencyMeter() : bins_(static_cast<std::size_t>(kSpanMs / kBinMs), 0) {}

void LatencyMeter::watch(heading::HeadingHub& hub) {
    manager_ = std::make_unique<LocationManager>(hub);
    manager_->setHeadingFilter(heading::kHeadingFilterNone);
    manager_->setDelegate(weak_from_this());
    manager_->startUpdatingHeading();
}

void LatencyMeter::stop() {
    if (manager_) manager_->stopUpdatingHeading();
    manager_.reset();
}

void LatencyMeter::locationManagerDidUpdateHeading(
    LocationManager&, std::shared_ptr<const heading::Heading> heading) {
    if (heading) sampleArrived(heading->timestamp, Clock::now());
}

std::int64_t LatencyMeter::fromDue(double timestamp, Clock::time_point at) const {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch());
    return static_cast<std::int64_t>(ns.count()) - std::llround(timestamp * 1e9);
}

void LatencyMeter::sampleArrived(double timestamp, Clock::time_point now) {
    if (!std::isfinite(timestamp)) return;
    const std::int64_t v = fromDue(timestamp, now);
    if (!started_) {
        started_ = true;
        origin_ = earliest_ = largest_ = v;
    }
    earliest_ = std::min(earliest_, v);
    waiting_.push_back(timestamp);
}

void LatencyMeter::frameShown(Clock::time_point now) {
    for (const double timestamp : waiting_) {
        const std::int64_t v = fromDue(timestamp, now);
        largest_ = std::max(largest_, v);
        const double ms = static_cast<double>(v - origin_) / 1e6 + kSpanMs / 2.0;
        const auto bin = static_cast<std::size_t>(
            std::clamp(ms / kBinMs, 0.0, static_cast<double>(bins_.size() - 1)));
        ++bins_[bin];
        ++shown_;
    }
    waiting_.clear();
}

double LatencyMeter::percentileMs(double share) const {
    if (shown_ == 0) return 0.0;
    const auto wanted = static_cast<std::uint64_t>(std::ceil(share * static_cast<double>(shown_)));
    std::uint64_t seen = 0;
    std::size_t bin = 0;
    for (; bin < bins_.size(); ++bin) {
        seen += bins_[bin];
        if (seen >= std::max<std::uint64_t>(wanted, 1)) break;
    }
    const double ms = (static_cast<double>(bin) + 0.5) * kBinMs - kSpanMs / 2.0 +
                      static_cast<double>(origin_ - earliest_) / 1e6;
    return std::clamp(ms, 0.0, maxMs());
}

double LatencyMeter::maxMs() const {
    return shown_ == 0 ? 0.0 : static_cast<double>(largest_ - earliest_) / 1e6;
}

}  // namespace platform::qt
