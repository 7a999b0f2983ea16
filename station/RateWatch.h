#pragma once

#include <functional>
#include <optional>

#include "station/StationValue.h"

namespace station {

// Watches the change of the horizontal field from one minute to the next: the length of the
// change of the first two components (x and y, or H and E), in nT per minute. Each rate goes
// to tell; crossing the alert level upwards also goes to alert, once until the rate falls
// below it again.
class RateWatch : public StationListener {
  public:
    RateWatch(std::optional<double> alertLevel, std::function<void(const RateOfChange&)> tell,
              std::function<void(const RateOfChange&)> alert = {});

    void onMinute(const StationValue& minute) override;

    const std::optional<RateOfChange>& latest() const { return latest_; }

  private:
    std::optional<double> level_;
    std::function<void(const RateOfChange&)> tell_;
    std::function<void(const RateOfChange&)> alert_;
    std::optional<StationValue> previous_;
    std::optional<RateOfChange> latest_;
    bool above_ = false;
};

}  // namespace station
