#pragma once

#include <QLineF>
#include <QList>
#include <QPainter>
#include <QPen>
#include <vector>

#include "platform/DrawingContext.h"
#include "qt/drawing/SpanFiller.h"

namespace platform::qt {

// A DrawingContext over a QPainter. The current path lives here, outside the painter's saved
// state, as line segments, and is cleared by a stroke. Points that are not finite break the path
// instead of reaching the painter, and very large ones are pulled in to a range the rasteriser
// handles.
class PainterContext : public DrawingContext {
  public:
    explicit PainterContext(QPainter& painter);
    // Fills the stroke still held, while the painter is active.
    ~PainterContext() override;
    PainterContext(const PainterContext&) = delete;
    PainterContext& operator=(const PainterContext&) = delete;

    void saveGState() override;
    void restoreGState() override;
    void setLineWidth(float width) override;
    void setGrayStrokeColor(float gray, float alpha) override;
    void setRGBStrokeColor(float red, float green, float blue, float alpha) override;
    void beginPath() override;
    void moveToPoint(float x, float y) override;
    void addLineToPoint(float x, float y) override;
    void strokePath() override;
    void setAllowsAntialiasing(bool allows) override;

    // Coordinates beyond this are clamped: far outside any widget, so the visible part of a
    // line towards them keeps its direction.
    static constexpr double kFarAway = 1.0e6;
    // Up to this width an opaque stroke goes to the painter as separate segments: Qt rasterises
    // those about twice as fast as a joined path, and a join would add at most a pixel's corner.
    // Level and upright segments become filled rectangles, the same pixels as a flat-capped
    // stroke, which Qt fills by whole spans instead of pixel by pixel. Without antialiasing,
    // such a stroke into an image is filled span by span by our own SpanFiller: Qt's wide-line
    // rasteriser was most of a graph redraw.
    static constexpr double kSegmentWidth = 2.0;

  private:
    void setPenColor(const QColor& color);
    // Takes an aliased opaque stroke of the current segments to be written straight into the
    // image being painted, when that image, the transform and the clip allow it; false leaves it
    // to Qt.
    bool fillSegmentsDirectly(const QPen& pen);
    void fillHeld();

    // A stroke filled directly is held until the next stroke or the end of the paint: a stroke
    // over exactly the same pixels (the compass graph draws one heading as three traces) then
    // replaces it, and those pixels are written once.
    struct HeldStroke {
        std::vector<SpanFiller::Line> lines;
        std::vector<SpanFiller::Box> boxes;
        SpanFiller::Pixels pixels{};
        SpanFiller::Placement placement;
        double halfWidth = 0.0;
        std::uint32_t pixel = 0;
        bool held = false;
    };

    QPainter& painter_;
    std::vector<SpanFiller::Line> segments_;
    QList<QLineF> slanted_;               // scratch for strokePath: segments left to Qt
    std::vector<SpanFiller::Box> boxes_;  // scratch for strokePath: the clip in device pixels
    HeldStroke held_;
    QPointF current_;
    bool broken_ = true;  // no current point: the next line starts a new subpath
};

}  // namespace platform::qt
