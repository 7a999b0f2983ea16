#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "heading/SampleSink.h"
#include "station/MinuteFilter.h"
#include "station/SecondMeans.h"
#include "station/StationValue.h"

namespace station {

// What a station's files already hold when it starts again: the last second and minute
// written, and the seconds the first new minutes need.
struct StationResume {
    std::optional<std::int64_t> lastSecond;
    std::optional<std::int64_t> lastMinute;
    std::vector<StationValue> seconds;  // in time order
};

// The station on the sample road: makes 1-second values from the samples' UTC times (µT to nT),
// minute values from those, and tells each listener of every one, in time order. resume, when
// given, is asked once, at the first sample, what the files hold on and before that day.
class Station : public heading::SampleSink {
  public:
    using Resume = std::function<StationResume(std::int64_t firstSecond)>;

    Station(bool scalarTotal, Resume resume = {});

    void addListener(StationListener& listener) { listeners_.push_back(&listener); }

    void onSample(const std::shared_ptr<const heading::Heading>& sample) override;
    void onError(const heading::LocationError& error) override;

    // The samples have ended: the second being averaged and every minute still computable go
    // out now. Samples after it start again from the next second.
    void finish();

    // Tells every listener of a rate of change worked out from the minutes.
    void tellRate(const RateOfChange& rate) {
        for (StationListener* l : listeners_) l->onRate(rate);
    }

    // Samples left out: no UTC time, or earlier than a second already made.
    std::uint64_t leftOut() const { return means_ ? means_->leftOut() : unknownTime_; }

  private:
    void begin(std::int64_t firstSecond);
    void second(const StationValue& value);
    void tellMinutes();

    bool scalarTotal_;
    Resume resume_;
    std::vector<StationListener*> listeners_;
    std::optional<SecondMeans> means_;
    std::optional<MinuteFilter> filter_;
    std::vector<StationValue> minutes_;
    std::uint64_t unknownTime_ = 0;
};

}  // namespace station
