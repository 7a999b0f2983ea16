#pragma once

#include "heading/Heading.h"
#include "heading/calibration/CalibrationCollector.h"

namespace heading::calibration {

// The first station of the sample road. While a calibration is being taken it gets every sample
// as the source gave it, and the sample goes no further: the screens and the recorder wait until
// it is released. Errors pass it by. Not a sink: it takes the sample by reference, so that one
// held back costs no allocation.
class CalibrationTap {
  public:
    void engage(CalibrationCollector& collector) { collector_ = &collector; }
    void release() { collector_ = nullptr; }
    bool engaged() const { return collector_ != nullptr; }

    void take(const Heading& raw) {
        if (collector_) collector_->add(raw);
    }

  private:
    CalibrationCollector* collector_ = nullptr;
};

}  // namespace heading::calibration
