#pragma once

#include <cstdint>
#include <memory>

#include "heading/Heading.h"
#include "heading/SampleSink.h"
#include "instrument/SampleWindow.h"
#include "instrument/Spectrum.h"
#include "instrument/SpectrumAnalyser.h"

namespace instrument {

// Keeps the latest samples of the run and their spectrum, analysed again only when asked for
// after new samples came: the AC view, the remote view and the run's summary share one.
class AcMonitor : public heading::SampleSink {
  public:
    // Every delivered sample, in order.
    void add(const heading::Heading& heading);
    void onSample(const std::shared_ptr<const heading::Heading>& sample) override { add(*sample); }
    void onError(const heading::LocationError&) override {}

    const Spectrum& spectrum();
    // See SpectrumAnalyser::setResolution.
    void setResolution(double microtesla) {
        analyser_.setResolution(microtesla);
        analysed_ = UINT64_MAX;  // analysed again when next asked
    }
    std::uint64_t samples() const { return added_; }

  private:
    SampleWindow window_;
    SpectrumAnalyser analyser_;
    const Spectrum* latest_ = nullptr;
    std::uint64_t added_ = 0;
    std::uint64_t analysed_ = 0;
};

}  // namespace instrument
