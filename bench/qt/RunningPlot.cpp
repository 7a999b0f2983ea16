#include "RunningPlot.h"

#include <qcustomplot.h>

#include <QPainter>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <array>
#include <cmath>

#include "graph/GraphView.h"
#include "platform/qt/drawing/PainterContext.h"

PlotSample plotSampleAt(long n) {
    const double t = static_cast<double>(n) * 0.05;
    return {60.0 * std::cos(t), 60.0 * std::sin(t), -44.0 + 30.0 * std::sin(0.3 * t)};
}

namespace {

const std::array<QColor, 3> kTraceColors = {QColor(255, 0, 0), QColor(0, 255, 0),
                                            QColor(0, 0, 255)};

class GraphViewPlot : public RunningPlot {
  public:
    GraphViewPlot(int width, int height) {
        view_.platformSetGeometry({width / 2.0f, height / 2.0f},
                                  {static_cast<float>(width), static_cast<float>(height)});
    }
    void append(double x, double y, double z) override { view_.updateHistoryWithX(x, y, z); }
    void draw(QImage& image) override {
        // What a ViewHostWidget paint does, after Qt has filled the background.
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::white);
        platform::qt::PainterContext context(painter);
        view_.setNeedsDisplay();
        view_.display(context);
    }

  private:
    graph::GraphView view_;
};

// Fixed keys 0..149, values shifted by one each frame: what the other two plots show.
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

class CustomPlot : public RunningPlot {
  public:
    CustomPlot(int width, int height, bool replot) : replot_(replot) {
        plot_.resize(width, height);
        plot_.setNotAntialiasedElements(QCP::aePlottables);
        plot_.xAxis->setRange(0, kSamples - 1);
        plot_.yAxis->setRange(-128, 128);
        plot_.xAxis->grid()->setVisible(false);
        plot_.xAxis->setTickLabels(false);
        plot_.yAxis->setTickLabels(false);
        plot_.axisRect()->setAutoMargins(QCP::msNone);
        plot_.axisRect()->setMargins(QMargins(0, 0, 0, 0));
        keys_.resize(kSamples);
        for (int i = 0; i < kSamples; ++i) keys_[i] = i;
        values_.resize(kSamples);
        for (const QColor& color : kTraceColors) {
            QCPGraph* graph = plot_.addGraph();
            graph->setPen(QPen(color, 2.0));
            graph->setAdaptiveSampling(false);
        }
    }
    void append(double x, double y, double z) override {
        window_.push(x, y, z);
        for (int axis = 0; axis < 3; ++axis) {
            for (int i = 0; i < kSamples; ++i) values_[i] = window_.value(i, axis);
            plot_.graph(axis)->setData(keys_, values_, true);
        }
    }
    void draw(QImage& image) override {
        if (replot_) {
            plot_.replot(QCustomPlot::rpQueuedRefresh);
            return;
        }
        QCPPainter painter(&image);
        plot_.toPainter(&painter, image.width(), image.height());
    }

  private:
    QCustomPlot plot_;
    bool replot_;
    Window window_;
    QVector<double> keys_;
    QVector<double> values_;
};

class ChartsPlot : public RunningPlot {
  public:
    ChartsPlot(int width, int height) {
        chart_ = new QChart;  // owned by the view
        chart_->legend()->hide();
        chart_->setMargins(QMargins(0, 0, 0, 0));
        chart_->layout()->setContentsMargins(0, 0, 0, 0);
        chart_->setBackgroundRoundness(0);
        auto* xAxis = new QValueAxis(chart_);
        xAxis->setRange(0, kSamples - 1);
        xAxis->setGridLineVisible(false);
        xAxis->setLabelsVisible(false);
        auto* yAxis = new QValueAxis(chart_);
        yAxis->setRange(-128, 128);
        yAxis->setTickCount(11);
        yAxis->setLabelsVisible(false);
        chart_->addAxis(xAxis, Qt::AlignBottom);
        chart_->addAxis(yAxis, Qt::AlignLeft);
        for (const QColor& color : kTraceColors) {
            auto* series = new QLineSeries(chart_);
            series->setPen(QPen(color, 2.0));
            chart_->addSeries(series);
            series->attachAxis(xAxis);
            series->attachAxis(yAxis);
            series_.push_back(series);
        }
        view_.setChart(chart_);
        view_.setRenderHint(QPainter::Antialiasing, false);
        view_.setFrameShape(QFrame::NoFrame);
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

std::unique_ptr<RunningPlot> makeCustomPlotPainter(int width, int height) {
    return std::make_unique<CustomPlot>(width, height, false);
}

std::unique_ptr<RunningPlot> makeCustomPlotReplot(int width, int height) {
    return std::make_unique<CustomPlot>(width, height, true);
}

std::unique_ptr<RunningPlot> makeChartsPlot(int width, int height) {
    return std::make_unique<ChartsPlot>(width, height);
}
