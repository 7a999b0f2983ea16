#pragma once

#include <QImage>
#include <memory>

// One running plot of three traces over the last 150 samples (-128 to 128 on the vertical
// axis, eight grid rows and a centre row, no axes, ticks or labels), drawn by one plotting
// library. The benchmarks give each library the same samples and the same image size, and
// check that the pictures agree.
class RunningPlot {
  public:
    static constexpr int kSamples = 150;

    virtual ~RunningPlot() = default;
    // One new sample at the right edge; the oldest leaves at the left.
    virtual void append(double x, double y, double z) = 0;
    // The whole plot into image, as a paint event would draw it.
    virtual void draw(QImage& image) = 0;
};

// fluxprobe's GraphView, drawn through the Qt platform's painter context.
std::unique_ptr<RunningPlot> makeGraphViewPlot(int width, int height);
// The same as its window repaints it: only where the traces lie now and lay in the last frame.
std::unique_ptr<RunningPlot> makeGraphViewBandsPlot(int width, int height);
// QCustomPlot tuned for speed, drawn straight into the image's painter.
std::unique_ptr<RunningPlot> makeCustomPlotPainter(int width, int height);
// QCustomPlot tuned for speed: replot() into its layer buffers, then the buffers onto the image.
std::unique_ptr<RunningPlot> makeCustomPlotReplot(int width, int height);
// Qt Charts: a QChartView rendered into the image.
std::unique_ptr<RunningPlot> makeChartsPlot(int width, int height);

// The same deterministic signal for every plot: two turning axes and a slower third.
struct PlotSample {
    double x, y, z;
};
PlotSample plotSampleAt(long n);

// The share of pixels whose colours differ by more than an eighth of the range in some channel.
double differingShare(const QImage& a, const QImage& b);
