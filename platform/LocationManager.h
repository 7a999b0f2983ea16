#pragma once

#include <memory>

#include "platform/Heading.h"
#include "platform/LocationManagerDelegate.h"

namespace platform {

class HeadingHub;

// A screen's own connection to the heading service. The delegate is not owned: a screen that has
// gone gets no calls. A manager that has been let go of makes no further calls.
class LocationManager {
  public:
    // Connects to the current platform's heading service.
    LocationManager();
    explicit LocationManager(HeadingHub& hub);
    ~LocationManager();
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
    void deliverHeading(const std::shared_ptr<const Heading>& heading);
    void deliverError(const LocationError& error);

  private:
    HeadingHub& hub_;
    std::weak_ptr<LocationManagerDelegate> delegate_;
    double headingFilter_ = 1.0;
    double lastDelivered_ = 0.0;
    bool delivered_ = false;
    bool updating_ = false;
};

}  // namespace platform
