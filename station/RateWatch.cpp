#include "station/RateWatch.h"

#include <cmath>
#include <utility>

namespace station {

RateWatch::RateWatch(std::optional<double> alertLevel,
                     std::function<void(const RateOfChange&)> tell,
                     std::function<void(const RateOfChange&)> alert)
    : level_(alertLevel), tell_(std::move(tell)), alert_(std::move(alert)) {}

void RateWatch::onMinute(const StationValue& minute) {
    const bool known = std::isfinite(minute.x) && std::isfinite(minute.y);
    if (known && previous_ && previous_->time == minute.time - 60) {
        RateOfChange rate;
        rate.minute = minute.time;
        rate.nanoteslaPerMinute = std::hypot(minute.x - previous_->x, minute.y - previous_->y);
        rate.alert = level_ && rate.nanoteslaPerMinute >= *level_;
        latest_ = rate;
        if (tell_) tell_(rate);
        if (rate.alert && !above_ && alert_) alert_(rate);
        above_ = rate.alert;
    }
    if (known)
        previous_ = minute;
    else
        previous_.reset();
}

}  // namespace station
