// What calibration costs: the fit of a turning's worth of samples, one correction, and a
// sample through the meter with a correction in force next to one without.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "MeterRig.h"
#include "heading/calibration/CalibrationFit.h"

namespace {

namespace cal = heading::calibration;

// n readings of a 48 µT field over the whole sphere, through an offset and a soft-iron matrix.
std::vector<heading::Vector3> turning(int n) {
    std::mt19937 rng(1);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<heading::Vector3> out;
    for (int i = 0; i < n; ++i) {
        double x = g(rng), y = g(rng), z = g(rng);
        const double k = 48.0 / std::sqrt(x * x + y * y + z * z);
        x *= k, y *= k, z *= k;
        out.push_back({1.1 * x + 0.05 * y + 40 + 0.15 * g(rng),
                       0.05 * x + 0.9 * y - 60 + 0.15 * g(rng), z + 25 + 0.15 * g(rng)});
    }
    return out;
}

void BM_CalibrationFit(benchmark::State& state) {
    const auto samples = turning(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto fit = cal::fitCalibration(samples, 48.0);
        benchmark::DoNotOptimize(fit);
        if (!fit.accepted()) state.SkipWithError(fit.refusal.c_str());
    }
}
BENCHMARK(BM_CalibrationFit)->Arg(1000)->Unit(benchmark::kMicrosecond);

cal::Calibration fitted() {
    return *cal::fitCalibration(turning(1000), 48.0).calibration;
}

// Axes corrected and the heading taken afresh, as the heading service does per sample.
void BM_CalibrationApply(benchmark::State& state) {
    const auto c = fitted();
    const auto samples = turning(1024);
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& s = samples[i++ & 1023];
        heading::Heading h = heading::Heading::of(s.x, s.y, s.z, 0, 10);
        c.apply(h);
        benchmark::DoNotOptimize(h);
    }
}
BENCHMARK(BM_CalibrationApply);

void BM_MeterSampleCalibrated(benchmark::State& state) {
    MeterRig rig;
    if (state.range(0) != 0) rig.platform.service().setCorrection(fitted());
    const auto samples = turning(1024);
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& s = samples[i++ & 1023];
        rig.platform.deliverHeading(heading::Heading::of(s.x, s.y, s.z));
    }
}
BENCHMARK(BM_MeterSampleCalibrated)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
