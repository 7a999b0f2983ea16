#include <benchmark/benchmark.h>

#include <cmath>

#include "MeterRig.h"
#include "graph/GraphView.h"
#include "headless/RecordingContext.h"
#include "instrument/Instrument.h"

namespace {

heading::Heading sampleAt(long n) {
    heading::Heading h;
    const double t = static_cast<double>(n) * 0.02;
    h.x = 20.0 * std::cos(t);
    h.y = 20.0 * std::sin(t);
    h.z = (n % 500) < 100 ? -140.0 : -44.0;  // a magnet pass now and then: the alarm fires
    h.magneticHeading = std::fmod(static_cast<double>(n), 360.0);
    return h;
}

// One heading sample through the service to the meter: readouts, log line, alarm, graph append.
void BM_MeterSample(benchmark::State& state) {
    MeterRig rig;
    long n = 0;
    for (auto _ : state) rig.platform.deliverHeading(sampleAt(n++));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MeterSample);

// The same sample with the instrument stage in the road, statistics kept and a reference taken:
// what holding, zeroing and the strip add to a sample.
void BM_MeterSampleZeroed(benchmark::State& state) {
    MeterRig rig;
    instrument::Instrument stage;
    rig.platform.service().layRoad(heading::Road().stage(&stage));
    for (long i = 0; i < 10; ++i) rig.platform.deliverHeading(sampleAt(i));
    stage.zero();
    long n = 10;
    for (auto _ : state) rig.platform.deliverHeading(sampleAt(n++));
    state.SetItemsProcessed(state.iterations());
    benchmark::DoNotOptimize(stage.statistics().samples());
}
BENCHMARK(BM_MeterSampleZeroed);

// One heading sample to the open compass alone: marker labels, heading, compass point, axis
// labels, graph append and the dial's turn.
void BM_CompassReading(benchmark::State& state) {
    MeterRig rig;
    if (!rig.openCompass()) {
        state.SkipWithError("the compass did not open");
        return;
    }
    rig.silenceMeter();
    long n = 0;
    for (auto _ : state) rig.platform.deliverHeading(sampleAt(n++));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CompassReading);

void BM_GraphAppend(benchmark::State& state) {
    graph::GraphView view;
    double v = 0.0;
    for (auto _ : state) {
        view.updateHistoryWithX(v, -v, 0.5 * v);
        v += 0.25;
    }
    benchmark::DoNotOptimize(view.nextIndex());
}
BENCHMARK(BM_GraphAppend);

// One full redraw recorded operation by operation: the plot geometry without a painter.
void BM_GraphRedrawRecorded(benchmark::State& state) {
    graph::GraphView view;
    view.platformSetGeometry({160, 60}, {320, 120});
    for (int i = 0; i < 150; ++i) view.updateHistoryWithX(i, -i, 0.5 * i);
    platform::headless::RecordingContext context;
    for (auto _ : state) {
        context.clear();
        view.setNeedsDisplay();
        view.display(context);
        benchmark::DoNotOptimize(context.ops().data());
    }
}
BENCHMARK(BM_GraphRedrawRecorded);

}  // namespace

BENCHMARK_MAIN();
