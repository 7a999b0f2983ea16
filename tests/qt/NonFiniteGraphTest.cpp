#include <gtest/gtest.h>

#include <QColor>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

#include "graph/GraphView.h"
#include "qt/drawing/PainterContext.h"

// A graph holding samples that are not finite, or too large for single precision, drawn through
// the QPainter-backed context: the painter only ever sees finite coordinates, the trace breaks
// at each such sample, and every segment between two drawable samples is still drawn.

namespace fluxprobe_qt_test {
namespace {

using graph::GraphView;
using platform::qt::PainterContext;

// One path as the painter handed it to its engine, with the pen it was stroked with.
struct StrokedPath {
    QColor colour;
    QPainterPath path;
};

// A paint engine that draws nothing and keeps every path and line it is given.
class RecordingEngine : public QPaintEngine {
  public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & QPaintEngine::DirtyPen) pen_ = state.pen();
        if (state.state() & QPaintEngine::DirtyBrush) brush_ = state.brush();
    }
    // A stroke the painter turned into a fill carries its colour in the brush.
    void drawPath(const QPainterPath& path) override {
        paths.push_back({pen_.style() == Qt::NoPen ? brush_.color() : pen_.color(), path});
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            QPainterPath path(lines[i].p1());
            path.lineTo(lines[i].p2());
            paths.push_back({pen_.color(), path});
        }
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
        QPainterPath path;
        for (int i = 0; i < count; ++i) i == 0 ? path.moveTo(points[i]) : path.lineTo(points[i]);
        paths.push_back({pen_.color(), path});
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    Type type() const override { return QPaintEngine::User; }

    std::vector<StrokedPath> paths;

  private:
    QPen pen_;
    QBrush brush_;
};

class RecordingDevice : public QPaintDevice {
  public:
    QPaintEngine* paintEngine() const override { return &engine; }
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return 300;
            case PdmHeight:
                return 100;
            case PdmDepth:
                return 32;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return static_cast<int>(devicePixelRatioFScale());
            default:
                return 0;
        }
    }
    mutable RecordingEngine engine;
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Whether the graph, 100 high, can place sample v: it plots v / -128 in single precision, scaled
// to the height, so a finite sample can still land beyond single precision.
bool drawable(double v) {
    const float k = static_cast<float>(v / -128.0);
    return std::isfinite(50.0f + (100.0f * k) / 2.0f);
}

TEST(NonFiniteGraph, ThePainterSeesOnlyFiniteCoordinatesAndTheRestIsDrawn) {
    // Row r holds r in every axis, except a few rows that hold something extreme in one axis.
    GraphView graph;
    graph.platformSetGeometry({150.0f, 50.0f}, {300.0f, 100.0f});
    struct Extreme {
        std::uint32_t row, axis;
        double value;
    };
    // 1e39 fits a double, and a float once divided by -128, but not once scaled to the height.
    const Extreme extremes[] = {{10, 0, kNaN},  {20, 1, kInf}, {21, 1, -kInf}, {30, 2, -1e300},
                                {40, 0, 1e300}, {41, 0, 1e39}, {60, 1, 1e30},  {61, 1, -1e30},
                                {90, 2, kNaN},  {92, 2, kNaN}, {148, 0, kInf}, {0, 2, -kNaN}};
    for (std::uint32_t row = 0; row < GraphView::kRows; ++row) {
        double sample[3] = {double(row) - 75, 75 - double(row), double(row % 20)};
        for (const Extreme& e : extremes)
            if (e.row == row) sample[e.axis] = e.value;
        graph.updateHistoryWithX(sample[0], sample[1], sample[2]);
    }
    // The graph keeps every value exactly as given.
    for (const Extreme& e : extremes) {
        const double kept = graph.history(e.row, e.axis);
        EXPECT_TRUE(std::isnan(e.value) ? std::isnan(kept) : kept == e.value) << e.row;
    }

    RecordingDevice device;
    {
        QPainter painter(&device);
        PainterContext context(painter);
        graph.display(context);
    }

    // The painter may hand a path on whole or line by line; count the lines of each colour.
    std::map<QRgb, int> lines;
    std::map<QRgb, int> paths;
    for (const StrokedPath& stroked : device.engine.paths) {
        for (int i = 0; i < stroked.path.elementCount(); ++i) {
            const QPainterPath::Element e = stroked.path.elementAt(i);
            ASSERT_TRUE(std::isfinite(e.x) && std::isfinite(e.y)) << "element " << i;
            EXPECT_LE(std::fabs(e.x), PainterContext::kFarAway);
            EXPECT_LE(std::fabs(e.y), PainterContext::kFarAway);
            if (e.isLineTo()) ++lines[stroked.colour.rgb()];
        }
        ++paths[stroked.colour.rgb()];
    }
    const QColor traceColours[3] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)};
    for (std::uint32_t axis = 0; axis < 3; ++axis) {
        // Every segment whose two ends can be placed is drawn; the rest break the trace.
        int expected = 0;
        for (std::uint32_t row = 1; row < GraphView::kRows; ++row)
            if (drawable(graph.history(row - 1, axis)) && drawable(graph.history(row, axis)))
                ++expected;
        EXPECT_EQ(lines[traceColours[axis].rgb()], expected) << "axis " << axis;
    }
    // The grid and the centre line are there too.
    EXPECT_GT(paths[QColor(153, 153, 153).rgb()], 0);
    EXPECT_GT(paths[QColor(64, 64, 64).rgb()], 0);
}

}  // namespace
}  // namespace fluxprobe_qt_test
