#pragma once

#include "platform/View.h"

namespace platform {

// A control the user drags between minimumValue and maximumValue.
class Slider : public View {
  public:
    float value() const { return value_; }
    // Clamped to the range, as a user's drag would be.
    void setValue(float value);

    float minimumValue() const { return minimum_; }
    float maximumValue() const { return maximum_; }
    void setRange(float minimum, float maximum);

  private:
    float value_ = 0.0f;
    float minimum_ = 0.0f;
    float maximum_ = 1.0f;
};

}  // namespace platform
