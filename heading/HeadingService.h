#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "heading/calibration/Calibration.h"
#include "platform/Heading.h"
#include "platform/HeadingHub.h"

namespace heading {

// The process's one heading service: hands every sample and error, on the main thread and in
// order, to every location manager that has started updates. A manager that starts during a
// delivery gets the next sample; one that stops or goes during a delivery gets no more.
class HeadingService : public platform::HeadingHub {
  public:
    HeadingService() = default;
    ~HeadingService() override;
    HeadingService(const HeadingService&) = delete;
    HeadingService& operator=(const HeadingService&) = delete;

    bool headingAvailable() const override { return available_; }
    void setHeadingAvailable(bool available) { available_ = available; }

    void attach(platform::LocationManager& manager) override;
    void detach(platform::LocationManager& manager) override;

    // Main thread only.
    void deliver(const platform::Heading& heading);
    void fail(const platform::LocationError& error);

    // Completes every sample before anyone sees it (the true heading from the field model).
    void setSampleFilter(std::function<void(platform::Heading&)> filter) {
        filter_ = std::move(filter);
    }

    // Every sample is corrected with this before the filter, the observer and the managers see
    // it.
    void setCorrection(std::optional<calibration::Calibration> correction) {
        correction_ = std::move(correction);
    }
    const std::optional<calibration::Calibration>& correction() const { return correction_; }

    // While a calibration is being taken every sample goes to it as the source gave it, and
    // to nothing else: the screens and the recorder wait until the tap is cleared.
    void setCalibrationTap(std::function<void(const platform::Heading&)> tap) {
        tap_ = std::move(tap);
    }
    bool calibrating() const { return static_cast<bool>(tap_); }

    // Called with every completed sample before the managers get it (a recorder, a counter).
    void setSampleObserver(std::function<void(const platform::Heading&)> observer) {
        observer_ = std::move(observer);
    }

    // Told of every sample (with its time stamp and a null error) and every error, without
    // being a listener: the platform's own display of whether readings still come.
    using ActivityObserver = std::function<void(double timestamp, const platform::LocationError*)>;
    void setActivityObserver(ActivityObserver observer) { activity_ = std::move(observer); }
    // Also called with every sample before the managers get it, after the sample observer (the
    // remote view). Returns an id for removeSampleListener.
    std::size_t addSampleListener(std::function<void(const platform::Heading&)> listener);
    void removeSampleListener(std::size_t id);

    // The last stage before the screens (the instrument): says how they are to show the sample.
    void setPresenter(std::function<void(platform::Heading&)> presenter) {
        presenter_ = std::move(presenter);
    }
    // Samples a second the source's device is set to give, when it says.
    void setSourceRate(std::optional<double> hz) { sourceRate_ = hz; }
    std::optional<double> sourceRate() const { return sourceRate_; }

    std::uint64_t samplesDelivered() const { return samples_; }
    std::uint64_t deliveries() const { return deliveries_; }
    std::size_t listenerCount() const;

  private:
    void compact();

    std::vector<platform::LocationManager*> managers_;
    std::function<void(platform::Heading&)> filter_;
    std::function<void(const platform::Heading&)> observer_;
    ActivityObserver activity_;
    std::vector<std::pair<std::size_t, std::function<void(const platform::Heading&)>>> listeners_;
    std::size_t nextListener_ = 0;
    std::function<void(const platform::Heading&)> tap_;
    std::function<void(platform::Heading&)> presenter_;
    std::optional<calibration::Calibration> correction_;
    std::optional<double> sourceRate_;
    std::uint64_t samples_ = 0;
    std::uint64_t deliveries_ = 0;
    int delivering_ = 0;
    bool available_ = true;
};

}  // namespace heading
