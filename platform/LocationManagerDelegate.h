#pragma once

#include <memory>

#include "heading/Heading.h"

namespace platform {

class LocationManager;

class LocationManagerDelegate {
  public:
    virtual ~LocationManagerDelegate() = default;
    virtual void locationManagerDidUpdateHeading(LocationManager&,
                                                 std::shared_ptr<const heading::Heading>) {}
    virtual void locationManagerDidFailWithError(LocationManager&, const heading::LocationError&) {}
};

}  // namespace platform
