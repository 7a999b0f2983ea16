// The part of a graph redraw that rasterises the traces: three strokes of 149 segments through
// the painter context into an image, without the background fill or the grid.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include "RunningPlot.h"
#include "graph/GraphView.h"
#include "qt/drawing/PainterContext.h"

namespace {

void BM_Traces(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    graph::GraphView view;
    const platform::Rect plot =
        platform::makeRect(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height));
    long n = 0;
    for (; n < RunningPlot::kSamples; ++n) {
        const PlotSample s = plotSampleAt(n);
        view.updateHistoryWithX(s.x, s.y, s.z);
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    platform::qt::PainterContext context(painter);
    context.setAllowsAntialiasing(false);
    for (auto _ : state) {
        const PlotSample s = plotSampleAt(n++);
        view.updateHistoryWithX(s.x, s.y, s.z);
        const auto start = static_cast<std::uint32_t>(n % graph::GraphView::kRows);
        for (std::uint32_t axis = 0; axis < 3; ++axis) view.drawHistory(axis, start, context, plot);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Traces)->Args({320, 120})->Args({1080, 400})->Unit(benchmark::kMicrosecond);

}  // namespace
