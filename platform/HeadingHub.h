#pragma once

namespace platform {

class LocationManager;

// The process's heading service as a location manager sees it.
class HeadingHub {
  public:
    virtual ~HeadingHub() = default;

    virtual bool headingAvailable() const = 0;
    // From attach until detach the hub delivers every sample and error to the manager.
    virtual void attach(LocationManager& manager) = 0;
    virtual void detach(LocationManager& manager) = 0;
};

}  // namespace platform
