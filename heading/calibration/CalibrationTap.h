#pragma once

#include <memory>

#include "heading/SampleSink.h"
#include "heading/calibration/CalibrationCollector.h"

namespace heading::calibration {

// The first station of the sample road. While a calibration is being taken it gets every sample
// as the source gave it, and the sample goes no further: the screens and the recorder wait until
// it is released. Errors pass it by.
class CalibrationTap : public SampleSink {
  public:
    void engage(CalibrationCollector& collector) { collector_ = &collector; }
    void release() { collector_ = nullptr; }
    bool engaged() const { return collector_ != nullptr; }

    void onSample(const std::shared_ptr<const Heading>& raw) override {
        if (collector_) collector_->add(*raw);
    }
    void onError(const LocationError&) override {}

  private:
    CalibrationCollector* collector_ = nullptr;
};

}  // namespace heading::calibration
