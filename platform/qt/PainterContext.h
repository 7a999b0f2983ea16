#pragma once

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "platform/DrawingContext.h"

namespace platform::qt {

// A DrawingContext over a QPainter. The current path lives here, outside the painter's saved
// state, and is cleared by a stroke. Points that are not finite break the path instead of
// reaching the painter, and very large ones are pulled in to a range the rasteriser handles.
class PainterContext : public DrawingContext {
  public:
    explicit PainterContext(QPainter& painter);

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

  private:
    void setPenColor(const QColor& color);

    QPainter& painter_;
    QPainterPath path_;
    bool broken_ = true;  // no current point: the next line starts a new subpath
};

}  // namespace platform::qt
