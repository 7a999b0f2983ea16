#include "graph/GraphView.h"

#include <cmath>

namespace graph {

using platform::DrawingContext;
using platform::Rect;

void GraphView::updateHistoryWithX(double x, double y, double z) {
    history_[nextIndex_][0] = x;
    history_[nextIndex_][1] = y;
    history_[nextIndex_][2] = z;
    nextIndex_ = (nextIndex_ + 1) % kRows;
    setNeedsDisplay();
}

void GraphView::drawRect(const Rect&) {
    // One start row for all three traces, so they stay aligned even if an append sneaks in.
    const std::uint32_t start = nextIndex_;
    DrawingContext* context = platform::graphicsGetCurrentContext();
    if (!context) return;
    const Rect plot = platform::makeRect(0.0f, 0.0f, bounds().size.width, bounds().size.height);
    drawGraphInContext(*context, plot);
    context->setAllowsAntialiasing(false);
    for (std::uint32_t axis = 0; axis < 3; ++axis) drawHistory(axis, start, *context, plot);
    context->setAllowsAntialiasing(true);
}

void GraphView::drawGraphInContext(DrawingContext& context, Rect bounds) {
    const float ox = bounds.origin.x;
    const float oy = bounds.origin.y;
    const float w = bounds.size.width;
    const float h = bounds.size.height;

    context.saveGState();
    context.setLineWidth(1.0f);
    context.setGrayStrokeColor(0.6f, 1.0f);
    context.beginPath();
    // Lines sit on half pixels so that a 1-pixel line covers exactly one row.
    for (float t = -4.0f; t <= 4.0f; t += 1.0f) {
        if (t == 0.0f) continue;
        const float m = oy + h / 2.0f;
        const float e = m + (t / 10.0f) * h;
        const float y = std::round(e) + 0.5f;
        context.moveToPoint(ox, y);
        context.addLineToPoint(ox + w, y);
    }
    context.strokePath();

    context.setGrayStrokeColor(0.25f, 1.0f);
    context.beginPath();
    const float centre = std::round(oy + h / 2.0f) + 0.5f;
    context.moveToPoint(ox, centre);
    context.addLineToPoint(ox + w, centre);
    context.strokePath();
    context.restoreGState();
}

void GraphView::drawHistory(std::uint32_t axis, std::uint32_t fromIndex, DrawingContext& context,
                            Rect bounds) {
    static constexpr float kColors[3][3] = {
        {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    const float ox = bounds.origin.x;
    const float oy = bounds.origin.y;
    const float w = bounds.size.width;
    const float h = bounds.size.height;
    const std::uint32_t column = axis % 3;

    context.beginPath();
    for (std::uint32_t i = 0; i < kRows; ++i) {
        const std::uint32_t row = (fromIndex + i) % kRows;
        const double v = history_[row][column];
        const float k = static_cast<float>(v / -128.0);
        const float x = ox + (static_cast<float>(i) / 149.0f) * w;
        const float y = (oy + h / 2.0f) + (h * k) / 2.0f;
        if (i == 0)
            context.moveToPoint(x, y);
        else
            context.addLineToPoint(x, y);
    }
    // The path is not part of the graphics state, so it survives the save.
    context.saveGState();
    context.setRGBStrokeColor(kColors[column][0], kColors[column][1], kColors[column][2], 1.0f);
    context.setLineWidth(2.0f);
    context.strokePath();
    context.restoreGState();
}

}  // namespace graph
