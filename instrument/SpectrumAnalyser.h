#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "instrument/SampleWindow.h"
#include "instrument/Spectrum.h"

namespace instrument {

// The spectrum of the latest samples: the last second or more (a power of two, at most
// SampleWindow::kCapacity samples) of each axis, less its mean and trend, through a Hann window and
// a real FFT. The rate is the window's own: the median of its sample intervals. Buffers and FFT
// plans are kept from one analysis to the next.
class SpectrumAnalyser {
  public:
    static constexpr double kMinimumRate = 20.0;    // samples a second
    static constexpr double kLowEdgeHz = 5.0;       // AC starts here
    static constexpr double kIntervalSpread = 0.1;  // largest departure from the median interval
    // Under this the RMS prints as 0.000 µT, and a strongest bin is only rounding.
    static constexpr double kLeastAcRms = 0.0005;

    SpectrumAnalyser();
    ~SpectrumAnalyser();
    SpectrumAnalyser(const SpectrumAnalyser&) = delete;
    SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

    // The samples a window holds at rate: the smallest power of two covering a second, at most
    // SampleWindow::kCapacity.
    static std::size_t windowSizeFor(double rate);

    // The smallest step of the field the source tells apart, in µT (0: finer than anything
    // here). An AC part under half of it is the source's rounding, not a hum: none is shown.
    void setResolution(double microtesla) { resolution_ = microtesla; }

    // Analyses the latest window of samples; the result stays valid until the next call.
    const Spectrum& analyse(const SampleWindow& samples);

  private:
    struct Fft;

    // The rate from the median interval of the last n samples; 0 when they do not advance.
    double medianRate(const SampleWindow& samples, std::size_t n);
    bool regular(const SampleWindow& samples, std::size_t n, double rate) const;
    void transform(const SampleWindow& samples, std::size_t n);

    std::unique_ptr<Fft> fft_;
    std::vector<double> hann_;
    double hannPower_ = 0.0;   // the sum of the window's squares
    double lineSpread_ = 0.0;  // the sum of the squared distances from the window's centre
    std::vector<double> intervals_;
    double resolution_ = 0.0;
    std::vector<double> power_;  // the axes' powers summed, per bin
    Spectrum result_;
};

}  // namespace instrument
