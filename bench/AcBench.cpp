// What the AC figures cost: one spectrum of the latest window (three axes through the FFT), and
// a sample added to the window.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "instrument/AcMonitor.h"
#include "instrument/SampleWindow.h"
#include "instrument/SpectrumAnalyser.h"

namespace {

// A full window of samples at rate, with a 50 Hz hum on x.
instrument::SampleWindow humming(double rate) {
    instrument::SampleWindow window;
    for (std::size_t n = 0; n < instrument::SampleWindow::kCapacity; ++n) {
        const double t = static_cast<double>(n) / rate;
        window.add({t, 20 + 2 * std::sin(2 * std::numbers::pi * 50 * t), -30, 10});
    }
    return window;
}

void BM_Spectrum(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    const instrument::SampleWindow window = humming(rate);
    instrument::SpectrumAnalyser analyser;
    for (auto _ : state) {
        const instrument::Spectrum& s = analyser.analyse(window);
        benchmark::DoNotOptimize(s.acRms);
        if (!s.ready()) state.SkipWithError("not analysed");
    }
    state.counters["samples"] = static_cast<double>(analyser.analyse(window).size);
}
// 1 kHz: a window of 1024; 5 kHz and above: the largest, 4096.
BENCHMARK(BM_Spectrum)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_AcSampleAdded(benchmark::State& state) {
    instrument::AcMonitor monitor;
    heading::Heading h = heading::Heading::of(20, -30, 10);
    for (auto _ : state) {
        h.timestamp += 0.001;
        monitor.add(h);
    }
}
BENCHMARK(BM_AcSampleAdded);

}  // namespace

BENCHMARK_MAIN();
