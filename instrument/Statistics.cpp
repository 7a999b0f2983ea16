#include "instrument/Statistics.h"

namespace instrument {

void Statistics::add(const heading::Vector3& field, double t) {
    if (samples_ == 0) first_ = t;
    last_ = t;
    ++samples_;
    x_.add(field.x);
    y_.add(field.y);
    z_.add(field.z);
    const double total = heading::length(field);
    // The first time the peak was reached: a later equal value is no new peak.
    if (total > total_.max) peakTime_ = t;
    total_.add(total);
}

}  // namespace instrument
