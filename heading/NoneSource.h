#pragma once

#include <string>
#include <utility>

#include "heading/Source.h"

namespace heading {

// A device without a magnetometer: no heading, no samples.
class NoneSource : public Source {
  public:
    explicit NoneSource(std::string description = "none") : description_(std::move(description)) {}

    bool available() const override { return false; }
    void start(std::shared_ptr<SampleChannel>) override {}
    void stop() override {}
    std::string describe() const override { return description_; }

  private:
    std::string description_;
};

}  // namespace heading
