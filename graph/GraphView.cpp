#include "graph/GraphView.h"

#include <algorithm>
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
    const std::uint32_t column = axis % 3;

    context.beginPath();
    for (std::uint32_t i = 0; i < kRows; ++i) {
        const std::uint32_t row = (fromIndex + i) % kRows;
        const float x = rowX(i, bounds);
        const float y = valueY(history_[row][column], bounds);
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

float GraphView::rowX(std::uint32_t i, Rect bounds) {
    return bounds.origin.x + (static_cast<float>(i) / 149.0f) * bounds.size.width;
}

float GraphView::valueY(double v, Rect bounds) {
    const float k = static_cast<float>(v / -128.0);
    return (bounds.origin.y + bounds.size.height / 2.0f) + (bounds.size.height * k) / 2.0f;
}

std::vector<Rect> GraphView::changingAreas() const {
    // The traces are two units wide and aliased: a unit either side of the line, and one more
    // for the pixel a rounded edge may reach.
    constexpr float kReach = 2.0f;
    const Rect plot = bounds();
    std::vector<Rect> areas;
    areas.reserve(3);
    for (std::uint32_t axis = 0; axis < 3; ++axis) {
        float top = valueY(history_[0][axis], plot);
        float bottom = top;
        for (std::uint32_t row = 1; row < kRows; ++row) {
            const float y = valueY(history_[row][axis], plot);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
        // A point that is not finite breaks the trace where the platform may draw anything
        // towards it: the whole view then.
        if (!std::isfinite(top) || !std::isfinite(bottom)) return {};
        top = std::max(top - kReach, 0.0f);
        bottom = std::min(bottom + kReach, plot.size.height);
        if (bottom > top)
            areas.push_back(platform::makeRect(0.0f, top, plot.size.width, bottom - top));
    }
    return areas;
}

}  // namespace graph
