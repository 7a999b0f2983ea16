#pragma once

#include "heading/SampleSink.h"

namespace heading {

// The process's heading service as a listener that comes and goes sees it.
class HeadingHub {
  public:
    virtual ~HeadingHub() = default;

    virtual bool headingAvailable() const = 0;
    // From attach until detach the hub delivers every sample and error to the sink.
    virtual void attach(SampleSink& sink) = 0;
    virtual void detach(SampleSink& sink) = 0;
};

}  // namespace heading
