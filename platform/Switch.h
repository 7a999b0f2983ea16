#pragma once

#include "platform/View.h"

namespace platform {

// An on/off control.
class Switch : public View {
  public:
    bool isOn() const { return on_; }
    void setOn(bool on);

  private:
    bool on_ = false;
};

}  // namespace platform
