#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/LocationManager.h"
#include "platform/LocationManagerDelegate.h"

namespace platform::qt {

// How long samples take from falling due to the frame that first shows them, handed to the
// window system. A sample falls due at the source's start plus its timestamp. The start is not
// known here: it is taken as the earliest delivery less its timestamp, so every figure is low by
// the quickest delivery of the run (a sample delivered as it fell due), well under a millisecond.
class LatencyMeter : public LocationManagerDelegate,
                     public std::enable_shared_from_this<LatencyMeter> {
  public:
    using Clock = std::chrono::steady_clock;

    LatencyMeter();

    // Starts watching every sample of hub.
    void watch(heading::HeadingHub& hub);
    void stop();

    void locationManagerDidUpdateHeading(LocationManager&,
                                         std::shared_ptr<const heading::Heading> heading) override;
    // A sample with the given timestamp (seconds since the source started) arrived at now.
    void sampleArrived(double timestamp, Clock::time_point now);
    // The samples that arrived since the last frame are on screen as of now.
    void frameShown(Clock::time_point now);

    std::uint64_t shown() const { return shown_; }
    // The latency in milliseconds that share (0..1) of the shown samples stayed within.
    double percentileMs(double share) const;
    double maxMs() const;

  private:
    static constexpr double kBinMs = 0.05;
    static constexpr int kSpanMs = 4000;  // values within ±2 s of the first are told apart

    std::int64_t fromDue(double timestamp, Clock::time_point at) const;

    std::unique_ptr<LocationManager> manager_;
    std::vector<double> waiting_;  // timestamps of samples not yet shown
    // All values are "time less timestamp" in ns, kept against the first one seen (origin_).
    bool started_ = false;
    std::int64_t origin_ = 0;
    std::int64_t earliest_ = 0;  // the smallest delivery less timestamp: the source's start
    std::int64_t largest_ = 0;
    std::vector<std::uint32_t> bins_;
    std::uint64_t shown_ = 0;
};

}  // namespace platform::qt
