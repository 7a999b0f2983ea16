#include "platform/Slider.h"

#include <algorithm>

namespace platform {

void Slider::setValue(float value) {
    value_ = std::clamp(value, minimum_, maximum_);
    notify(ViewChange::Value);
}

void Slider::setRange(float minimum, float maximum) {
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    value_ = std::clamp(value_, minimum_, maximum_);
    notify(ViewChange::Value);
}

}  // namespace platform
