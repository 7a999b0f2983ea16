#include "qt/drawing/LayerContext.h"

namespace platform::qt {

void LayerContext::saveGState() {
    if (depth_ < 32) saved_ = (saved_ & ~(1u << depth_)) | (coloured_ ? 1u << depth_ : 0u);
    ++depth_;
    inner_.saveGState();
}

void LayerContext::restoreGState() {
    if (depth_ > 0) {
        --depth_;
        if (depth_ < 32) coloured_ = (saved_ >> depth_) & 1u;
    }
    inner_.restoreGState();
}

void LayerContext::setGrayStrokeColor(float gray, float alpha) {
    coloured_ = false;
    inner_.setGrayStrokeColor(gray, alpha);
}

void LayerContext::setRGBStrokeColor(float red, float green, float blue, float alpha) {
    coloured_ = true;
    inner_.setRGBStrokeColor(red, green, blue, alpha);
}

void LayerContext::strokePath() {
    if (coloured_ == (layer_ == PlotLayer::Data)) {
        inner_.strokePath();
        return;
    }
    // The path goes as a stroke would take it, drawing nothing.
    inner_.beginPath();
}

}  // namespace platform::qt
