#pragma once

#include "heading/Heading.h"

namespace heading {

// A station of the sample road that completes a sample before any sink sees it (the true
// heading), on the main thread.
class SampleStage {
  public:
    virtual ~SampleStage() = default;

    virtual void complete(Heading& sample) = 0;
};

}  // namespace heading
