#pragma once

#include <memory>

#include "platform/Heading.h"

namespace platform {

class LocationManager;

class LocationManagerDelegate {
  public:
    virtual ~LocationManagerDelegate() = default;
    virtual void locationManagerDidUpdateHeading(LocationManager&, std::shared_ptr<const Heading>) {
    }
    virtual void locationManagerDidFailWithError(LocationManager&, const LocationError&) {}
};

}  // namespace platform
