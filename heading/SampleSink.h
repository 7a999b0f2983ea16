#pragma once

#include <memory>

#include "heading/Heading.h"

namespace heading {

// One station at the end of the sample road: told of every completed sample and every error,
// on the main thread and in order.
class SampleSink {
  public:
    virtual ~SampleSink() = default;

    virtual void onSample(const std::shared_ptr<const Heading>& sample) = 0;
    virtual void onError(const LocationError& error) = 0;
};

}  // namespace heading
