#include "platform/LocationManager.h"

#include <cmath>

#include "heading/HeadingHub.h"
#include "platform/Platform.h"

namespace platform {

LocationManager::LocationManager() : LocationManager(Platform::current().headingHub()) {}

LocationManager::LocationManager(heading::HeadingHub& hub) : hub_(hub) {}

LocationManager::~LocationManager() {
    if (updating_) hub_.detach(*this);
}

bool LocationManager::headingAvailable() const {
    return hub_.headingAvailable();
}

void LocationManager::startUpdatingHeading() {
    if (updating_) return;
    updating_ = true;
    hub_.attach(*this);
}

void LocationManager::stopUpdatingHeading() {
    if (!updating_) return;
    updating_ = false;
    hub_.detach(*this);
}

void LocationManager::onSample(const std::shared_ptr<const heading::Heading>& sample) {
    if (!updating_) return;
    if (headingFilter_ > 0.0 && delivered_) {
        double change = std::fabs(sample->magneticHeading - lastDelivered_);
        if (change > 180.0) change = 360.0 - change;
        if (change < headingFilter_) return;
    }
    delivered_ = true;
    lastDelivered_ = sample->magneticHeading;
    if (auto d = delegate_.lock()) d->locationManagerDidUpdateHeading(*this, sample);
}

void LocationManager::onError(const heading::LocationError& error) {
    if (!updating_) return;
    if (auto d = delegate_.lock()) d->locationManagerDidFailWithError(*this, error);
}

}  // namespace platform
