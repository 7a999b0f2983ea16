// One graph redraw through the Qt platform's painter, and the same running plot drawn by
// QCustomPlot and by Qt Charts, into images of the same sizes. Runs on Qt's offscreen platform.
// Each run reports the share of pixels in which its last frame differs from fluxprobe's picture
// of the same samples. With FLUXPROBE_BENCH_PNG_DIR set, the last frames are saved there too.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <string>

#include "RunningPlot.h"

namespace {

using Factory = std::unique_ptr<RunningPlot> (*)(int, int);

void saveFrame(const QImage& image, const std::string& name) {
    const QString dir = qEnvironmentVariable("FLUXPROBE_BENCH_PNG_DIR");
    if (dir.isEmpty()) return;
    image.save(QDir(dir).filePath(QStringLiteral("%1-%2x%3.png")
                                      .arg(QString::fromStdString(name))
                                      .arg(image.width())
                                      .arg(image.height())));
}

std::unique_ptr<RunningPlot> filledPlot(Factory make, int width, int height, long& n) {
    auto plot = make(width, height);
    for (n = 0; n < RunningPlot::kSamples; ++n) {
        const PlotSample s = plotSampleAt(n);
        plot->append(s.x, s.y, s.z);
    }
    return plot;
}

// One frame of a full plot, with a sample appended before each frame (the running plot) or
// nothing appended in between (a bare redraw).
void drawFrames(benchmark::State& state, Factory make, const std::string& name, bool append) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    long n = 0;
    auto plot = filledPlot(make, width, height, n);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        if (append) {
            const PlotSample s = plotSampleAt(n++);
            plot->append(s.x, s.y, s.z);
        }
        plot->draw(image);
        benchmark::DoNotOptimize(image.constBits());
    }
    saveFrame(image, name);
    // The same last 150 samples drawn by fluxprobe: the pictures must agree.
    auto reference = makeGraphViewPlot(width, height);
    for (long k = n - RunningPlot::kSamples; k < n; ++k) {
        const PlotSample s = plotSampleAt(k);
        reference->append(s.x, s.y, s.z);
    }
    QImage expected(width, height, QImage::Format_ARGB32_Premultiplied);
    reference->draw(expected);
    state.counters["differing_pct"] = 100.0 * differingShare(image, expected);
}

void BM_Redraw(benchmark::State& state, Factory make, const char* name) {
    drawFrames(state, make, std::string("redraw-") + name, false);
}

void BM_Running(benchmark::State& state, Factory make, const char* name) {
    drawFrames(state, make, std::string("running-") + name, true);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({320, 120})->Args({1080, 400})->Unit(benchmark::kMicrosecond);
}

BENCHMARK_CAPTURE(BM_Redraw, fluxprobe, &makeGraphViewPlot, "fluxprobe")->Apply(sizes);
BENCHMARK_CAPTURE(BM_Redraw, qcustomplot, &makeCustomPlotPainter, "qcustomplot")->Apply(sizes);
BENCHMARK_CAPTURE(BM_Redraw, qcustomplot_replot, &makeCustomPlotReplot, "qcustomplot_replot")
    ->Apply(sizes);
BENCHMARK_CAPTURE(BM_Redraw, qtcharts, &makeChartsPlot, "qtcharts")->Apply(sizes);
BENCHMARK_CAPTURE(BM_Running, fluxprobe, &makeGraphViewPlot, "fluxprobe")->Apply(sizes);
BENCHMARK_CAPTURE(BM_Running, fluxprobe_bands, &makeGraphViewBandsPlot, "fluxprobe_bands")
    ->Apply(sizes);
BENCHMARK_CAPTURE(BM_Running, qcustomplot, &makeCustomPlotPainter, "qcustomplot")->Apply(sizes);
BENCHMARK_CAPTURE(BM_Running, qcustomplot_replot, &makeCustomPlotReplot, "qcustomplot_replot")
    ->Apply(sizes);
BENCHMARK_CAPTURE(BM_Running, qtcharts, &makeChartsPlot, "qtcharts")->Apply(sizes);

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
