#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "heading/Heading.h"
#include "heading/HeadingHub.h"
#include "heading/calibration/Calibration.h"

namespace heading {

// The process's one heading service: hands every sample and error, on the main thread and in
// order, to every location manager that has started updates. A manager that starts during a
// delivery gets the next sample; one that stops or goes during a delivery gets no more.
class HeadingService : public HeadingHub {
  public:
    HeadingService() = default;
    ~HeadingService() override;
    HeadingService(const HeadingService&) = delete;
    HeadingService& operator=(const HeadingService&) = delete;

    bool headingAvailable() const override { return available_; }
    void setHeadingAvailable(bool available) { available_ = available; }

    void attach(SampleSink& sink) override;
    void detach(SampleSink& sink) override;

    // Main thread only.
    void deliver(const Heading& heading);
    void fail(const LocationError& error);

    // Completes every sample before anyone sees it (the true heading from the field model).
    void setSampleFilter(std::function<void(Heading&)> filter) { filter_ = std::move(filter); }

    // Every sample is corrected with this before the filter, the observer and the managers see
    // it.
    void setCorrection(std::optional<calibration::Calibration> correction) {
        correction_ = std::move(correction);
    }
    const std::optional<calibration::Calibration>& correction() const { return correction_; }

    // While a calibration is being taken every sample goes to it as the source gave it, and
    // to nothing else: the screens and the recorder wait until the tap is cleared.
    void setCalibrationTap(std::function<void(const Heading&)> tap) { tap_ = std::move(tap); }
    bool calibrating() const { return static_cast<bool>(tap_); }

    // Called with every completed sample before the managers get it (a recorder, a counter).
    void setSampleObserver(std::function<void(const Heading&)> observer) {
        observer_ = std::move(observer);
    }

    // Told of every sample (with null) and every error, without being a listener: the
    // platform's own display of whether readings still come.
    void setActivityObserver(std::function<void(const LocationError*)> observer) {
        activity_ = std::move(observer);
    }
    // Also called with every sample before the managers get it, after the sample observer (the
    // remote view). Returns an id for removeSampleListener.
    std::size_t addSampleListener(std::function<void(const Heading&)> listener);
    void removeSampleListener(std::size_t id);

    std::uint64_t samplesDelivered() const { return samples_; }
    std::uint64_t deliveries() const { return deliveries_; }
    std::size_t listenerCount() const;

  private:
    void compact();

    std::vector<SampleSink*> managers_;
    std::function<void(Heading&)> filter_;
    std::function<void(const Heading&)> observer_;
    std::function<void(const LocationError*)> activity_;
    std::vector<std::pair<std::size_t, std::function<void(const Heading&)>>> listeners_;
    std::size_t nextListener_ = 0;
    std::function<void(const Heading&)> tap_;
    std::optional<calibration::Calibration> correction_;
    std::uint64_t samples_ = 0;
    std::uint64_t deliveries_ = 0;
    int delivering_ = 0;
    bool available_ = true;
};

}  // namespace heading
