#pragma once

#include <cstdint>

#include "instrument/SampleWindow.h"
#include "instrument/Spectrum.h"
#include "instrument/SpectrumAnalyser.h"
#include "platform/Heading.h"

namespace instrument {

// Keeps the latest samples of the run and their spectrum, analysed again only when asked for
// after new samples came: the AC view, the remote view and the run's summary share one.
class AcMonitor {
  public:
    // Every delivered sample, in order.
    void add(const platform::Heading& heading);

    const Spectrum& spectrum();
    std::uint64_t samples() const { return added_; }

  private:
    SampleWindow window_;
    SpectrumAnalyser analyser_;
    const Spectrum* latest_ = nullptr;
    std::uint64_t added_ = 0;
    std::uint64_t analysed_ = 0;
};

}  // namespace instrument
