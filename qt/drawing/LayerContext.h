#pragma once

#include "platform/DrawingContext.h"

namespace platform::qt {

// Draws one layer of a plot: its scale, which stays put and is kept as a picture (and is all a
// device with no heading source shows: its zeros would draw a level trace nobody recorded), or
// its data, drawn over that picture at each change. Data is told from scale by colour: the plot
// strokes its grid in grey and its traces in colour. Everything else passes to the context
// underneath.
enum class PlotLayer { Scale, Data };

class LayerContext : public DrawingContext {
  public:
    LayerContext(DrawingContext& inner, PlotLayer layer) : inner_(inner), layer_(layer) {}

    void saveGState() override;
    void restoreGState() override;
    void setLineWidth(float width) override { inner_.setLineWidth(width); }
    void setGrayStrokeColor(float gray, float alpha) override;
    void setRGBStrokeColor(float red, float green, float blue, float alpha) override;
    void beginPath() override { inner_.beginPath(); }
    void moveToPoint(float x, float y) override { inner_.moveToPoint(x, y); }
    void addLineToPoint(float x, float y) override { inner_.addLineToPoint(x, y); }
    void strokePath() override;
    void setAllowsAntialiasing(bool allows) override { inner_.setAllowsAntialiasing(allows); }

  private:
    DrawingContext& inner_;
    PlotLayer layer_;
    bool coloured_ = false;
    unsigned saved_ = 0;  // one bit per saved state: coloured_ at the save (deep enough for plots)
    unsigned depth_ = 0;
};

}  // namespace platform::qt
