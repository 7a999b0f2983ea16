#include <benchmark/benchmark.h>

#include <memory>

#include "heading/model/GeographicFieldModel.h"
#include "heading/model/TrueNorth.h"

namespace {

// One evaluation of the World Magnetic Model: what an hourly (or on-the-move) recompute costs.
void BM_FieldModelEvaluate(benchmark::State& state) {
    const heading::GeographicFieldModel model(FLUXPROBE_FIELD_MODEL_DIR);
    double lat = -80.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.evaluate({lat, 151.21, 40.0}, 2027.5));
        lat = lat < 80.0 ? lat + 0.37 : -80.0;
    }
}
BENCHMARK(BM_FieldModelEvaluate);

// Loading the model from its two files: the start-up cost of a run with --location.
void BM_FieldModelLoad(benchmark::State& state) {
    for (auto _ : state) {
        heading::GeographicFieldModel model(FLUXPROBE_FIELD_MODEL_DIR);
        benchmark::DoNotOptimize(&model);
    }
}
BENCHMARK(BM_FieldModelLoad)->Unit(benchmark::kMicrosecond);

// What true north adds to each sample once the declination is known: a look at the clock and
// one addition.
void BM_TrueNorthFill(benchmark::State& state) {
    auto model = std::make_shared<heading::GeographicFieldModel>(FLUXPROBE_FIELD_MODEL_DIR);
    heading::TrueNorth north(model, {});
    north.setLocation({-33.87, 151.21, 0.0});
    heading::Heading h;
    double magnetic = 0.0;
    for (auto _ : state) {
        h.magneticHeading = magnetic;
        north.fill(h);
        benchmark::DoNotOptimize(h.trueHeading);
        magnetic = magnetic < 359.0 ? magnetic + 0.5 : 0.0;
    }
}
BENCHMARK(BM_TrueNorthFill);

}  // namespace
