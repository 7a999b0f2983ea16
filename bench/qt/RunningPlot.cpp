#include "RunningPlot.h"

#include <qcustomplot.h>

#include <QPaintEngine>
#include <QPainter>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "graph/GraphView.h"
#include "qt/drawing/PainterContext.h"
#include "qt/drawing/RepaintRegion.h"

PlotSample plotSampleAt(long n) {
    const double t = static_cast<double>(n) * 0.05;
    return {60.0 * std::cos(t), 60.0 * std::sin(t), -44.0 + 30.0 * std::sin(0.3 * t)};
}

double differingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 1.0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    long differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            const int d = std::max({std::abs(qRed(p[col]) - qRed(q[col])),
                                    std::abs(qGreen(p[col]) - qGreen(q[col])),
                                    std::abs(qBlue(p[col]) - qBlue(q[col]))});
            if (d > 32) ++differing;
        }
    }
    return static_cast<double>(differing) / (static_cast<double>(x.width()) * x.height());
}

namespace {

// The picture every side draws: white, eight grid rows a tenth of the height apart at 60 %
// grey, the centre row at 25 % grey, all one pixel and aliased; three opaque two-pixel traces.
const std::array<QColor, 3> kTraceColors = {QColor(255, 0, 0), QColor(0, 255, 0),
                                            QColor(0, 0, 255)};
const QColor kGridColor = QColor::fromRgbF(0.6f, 0.6f, 0.6f);
const QColor kCentreColor = QColor::fromRgbF(0.25f, 0.25f, 0.25f);
constexpr double kGridStep = 25.6;  // a tenth of -128..128

class GraphViewPlot : public RunningPlot {
  public:
    GraphViewPlot(int width, int height) {
        view_.platformSetGeometry({width / 2.0f, height / 2.0f},
                                  {static_cast<float>(width), static_cast<float>(height)});
    }
    void append(double x, double y, double z) override { view_.updateHistoryWithX(x, y, z); }
    void draw(QImage& image) override {
        // What a PlotWidget paint does, after Qt has filled the background.
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        platform::qt::PainterContext context(painter);
        view_.setNeedsDisplay();
        view_.display(context);
    }

  protected:
    graph::GraphView view_;
};

// The same, as its window repaints it: the image keeps the last frame, and only the bands the
// traces cross now and crossed then are painted again, clipped as a widget's paint is clipped.
class GraphViewBandsPlot : public GraphViewPlot {
  public:
    using GraphViewPlot::GraphViewPlot;
    void draw(QImage& image) override {
        const QRegion now = platform::qt::RepaintRegion::regionOf(view_.changingAreas());
        const QRegion region = repaint_.toRepaint(now, image.rect());
        QPaintEngine* engine = image.paintEngine();
        engine->setSystemClip(region);
        {
            QPainter painter(&image);
            painter.fillRect(image.rect(), Qt::white);
            platform::qt::PainterContext context(painter);
            view_.setNeedsDisplay();
            view_.display(context);
        }
        engine->setSystemClip(QRegion());
        repaint_.painted(region, now, image.rect());
    }

  private:
    platform::qt::RepaintRegion repaint_;
};

// QCustomPlot set up for speed as its documentation advises: fast polylines on, nothing
// antialiased, OpenGL off (its default), data added and removed per sample. Its axes stay (the grid
// belongs to the value axis) but draw no line, ticks or labels.
class TunedCustomPlot : public QCustomPlot {
  public:
    TunedCustomPlot(int width, int height) {
        setPlottingHints(QCP::phFastPolylines | QCP::phCacheLabels);
        setNotAntialiasedElements(QCP::aeAll);
        setBackground(QBrush(Qt::white));
        // A hidden widget gets no resize event, so the viewport is set directly.
        resize(width, height);
        setViewport(QRect(0, 0, width, height));
        axisRect()->setAutoMargins(QCP::msNone);
        axisRect()->setMargins(QMargins(0, 0, 0, 0));
        xAxis->setVisible(false);
        // QCustomPlot counts the bottom row as height - 1: moving the range by one pixel's worth
        // puts every row where fluxprobe puts it.
        const double pixel = 256.0 / height;
        yAxis->setRange(-128.0 + pixel, 128.0 + pixel);
        yAxis->setBasePen(Qt::NoPen);
        yAxis->setTicks(false);
        yAxis->setSubTicks(false);
        yAxis->setTickLabels(false);
        auto ticker = QSharedPointer<QCPAxisTickerText>::create();
        for (int k = -4; k <= 4; ++k) ticker->addTick(k * kGridStep, QString());
        yAxis->setTicker(ticker);
        yAxis->grid()->setPen(QPen(kGridColor, 0));
        yAxis->grid()->setZeroLinePen(QPen(kCentreColor, 0));
        for (const QColor& color : kTraceColors) {
            QCPGraph* graph = addGraph();
            graph->setPen(QPen(color, 2.0));
        }
    }

    void append(double x, double y, double z) {
        const double key = static_cast<double>(next_++);
        const std::array<double, 3> values{x, y, z};
        for (int axis = 0; axis < 3; ++axis) {
            graph(axis)->addData(key, values[static_cast<std::size_t>(axis)]);
            graph(axis)->data()->removeBefore(key - (RunningPlot::kSamples - 1));
        }
        // Key k at fluxprobe's x: (k - first) / 149 of the width.
        xAxis->setRange(key - (RunningPlot::kSamples - 1), key);
    }

    // Everything straight into the image's painter: what toPainter does, without the export
    // mode that turns fast polylines off.
    void drawInto(QImage& image) {
        QCPPainter painter(&image);
        painter.fillRect(mViewport, mBackgroundBrush);
        draw(&painter);
    }

    // replot() into the layer buffers, then the buffers onto the image, as its paint event puts
    // them on the window.
    void replotInto(QImage& image) {
        replot(rpQueuedRefresh);
        QCPPainter painter(&image);
        painter.fillRect(mViewport, mBackgroundBrush);
        drawBackground(&painter);
        for (const auto& buffer : std::as_const(mPaintBuffers)) buffer->draw(&painter);
    }

  private:
    long next_ = 0;
};

class CustomPlot : public RunningPlot {
  public:
    CustomPlot(int width, int height, bool replot) : plot_(width, height), replot_(replot) {}
    void append(double x, double y, double z) override { plot_.append(x, y, z); }
    void draw(QImage& image) override {
        if (replot_)
            plot_.replotInto(image);
        else
            plot_.drawInto(image);
    }

  private:
    TunedCustomPlot plot_;
    bool replot_;
};

// Fixed keys 0..149, values shifted by one each frame, handed over with replace(), which Qt
// Charts documents as its fast way to change a series.
class Window {
  public:
    void push(double x, double y, double z) {
        rows_[next_] = {x, y, z};
        next_ = (next_ + 1) % RunningPlot::kSamples;
    }
    double value(int i, int axis) const {
        return rows_[(next_ + i) % RunningPlot::kSamples][static_cast<std::size_t>(axis)];
    }

  private:
    std::array<std::array<double, 3>, RunningPlot::kSamples> rows_{};
    int next_ = 0;
};

// Qt Charts without antialiasing, OpenGL, animations, shadow or rounded background. Its axis grid
// has one pen, so the grid rows and the centre row are series of two points under the traces.
class ChartsPlot : public RunningPlot {
  public:
    ChartsPlot(int width, int height) {
        chart_ = new QChart;  // owned by the view
        chart_->legend()->hide();
        chart_->setAnimationOptions(QChart::NoAnimation);
        chart_->setDropShadowEnabled(false);
        chart_->setBackgroundRoundness(0);
        chart_->setBackgroundBrush(Qt::white);
        chart_->setBackgroundPen(Qt::NoPen);
        chart_->setMargins(QMargins(0, 0, 0, 0));
        chart_->layout()->setContentsMargins(0, 0, 0, 0);
        auto* xAxis = new QValueAxis(chart_);
        xAxis->setRange(0, kSamples - 1);
        auto* yAxis = new QValueAxis(chart_);
        // Rows at pixel centres, as fluxprobe draws them.
        const double pixel = 256.0 / height;
        yAxis->setRange(-128.0 + pixel / 2.0, 128.0 + pixel / 2.0);
        chart_->addAxis(xAxis, Qt::AlignBottom);
        chart_->addAxis(yAxis, Qt::AlignLeft);
        auto addSeries = [&](const QPen& pen) {
            auto* series = new QLineSeries(chart_);
            series->setUseOpenGL(false);
            series->setPen(pen);
            chart_->addSeries(series);
            series->attachAxis(xAxis);
            series->attachAxis(yAxis);
            return series;
        };
        for (int k = -4; k <= 4; ++k) {
            QPen pen(k == 0 ? kCentreColor : kGridColor, 0);
            const double y = std::round(k * kGridStep / pixel) * pixel;
            addSeries(pen)->replace(QList<QPointF>{{0.0, y}, {kSamples - 1.0, y}});
        }
        for (const QColor& color : kTraceColors) series_.push_back(addSeries(QPen(color, 2.0)));
        xAxis->setVisible(false);
        yAxis->setVisible(false);
        view_.setChart(chart_);
        view_.setRenderHint(QPainter::Antialiasing, false);
        view_.setFrameShape(QFrame::NoFrame);
        view_.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view_.resize(width, height);
        view_.show();
        QCoreApplication::processEvents();
        points_.resize(kSamples);
        for (int i = 0; i < kSamples; ++i) points_[i].setX(i);
    }
    void append(double x, double y, double z) override {
        window_.push(x, y, z);
        for (int axis = 0; axis < 3; ++axis) {
            for (int i = 0; i < kSamples; ++i) points_[i].setY(window_.value(i, axis));
            series_[static_cast<std::size_t>(axis)]->replace(points_);
        }
    }
    void draw(QImage& image) override {
        QPainter painter(&image);
        view_.render(&painter, QRectF(image.rect()), view_.viewport()->rect());
    }

  private:
    QChartView view_;
    QChart* chart_ = nullptr;
    std::vector<QLineSeries*> series_;
    Window window_;
    QList<QPointF> points_;
};

}  // namespace

std::unique_ptr<RunningPlot> makeGraphViewPlot(int width, int height) {
    return std::make_unique<GraphViewPlot>(width, height);
}

std::unique_ptr<RunningPlot> makeGraphViewBandsPlot(int width, int height) {
    return std::make_unique<GraphViewBandsPlot>(width, height);
}

std::unique_ptr<RunningPlot> makeCustomPlotPainter(int width, int height) {
    return std::make_unique<CustomPlot>(width, height, false);
}

std::unique_ptr<RunningPlot> makeCustomPlotReplot(int width, int height) {
    return std::make_unique<CustomPlot>(width, height, true);
}

std::unique_ptr<RunningPlot> makeChartsPlot(int width, int height) {
    return std::make_unique<ChartsPlot>(width, height);
}
