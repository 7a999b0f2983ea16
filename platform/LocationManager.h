#pragma once

#include <memory>

#include "heading/HeadingHub.h"
#include "platform/LocationManagerDelegate.h"

namespace platform {

// A screen's own connection to the heading service. The delegate is not owned: a screen that has
// gone gets no calls. A manager that has been let go of makes no further calls.
class LocationManager : public heading::SampleSink {
  public:
    // Connects to the current platform's heading service.
    LocationManager();
    explicit LocationManager(heading::HeadingHub& hub);
    ~LocationManager() override;
    LocationManager(const LocationManager&) = delete;
    LocationManager& operator=(const LocationManager&) = delete;

    bool headingAvailable() const;

    // Smallest change in degrees worth a delivery; kHeadingFilterNone delivers every sample.
    void setHeadingFilter(double degrees) { headingFilter_ = degrees; }
    double headingFilter() const { return headingFilter_; }

    void setDelegate(std::weak_ptr<LocationManagerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<LocationManagerDelegate> delegate() const { return delegate_.lock(); }

    void startUpdatingHeading();
    void stopUpdatingHeading();
    bool isUpdatingHeading() const { return updating_; }

    // Called by the heading service on the main thread.
    void onSample(const std::shared_ptr<const heading::Heading>& sample) override;
    void onError(const heading::LocationError& error) override;

  private:
    heading::HeadingHub& hub_;
    std::weak_ptr<LocationManagerDelegate> delegate_;
    double headingFilter_ = 1.0;
    double lastDelivered_ = 0.0;
    bool delivered_ = false;
    bool updating_ = false;
};

}  // namespace platform
