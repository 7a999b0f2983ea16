#include "platform/qt/drawing/SpanFiller.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace platform::qt {

namespace {

// The first pixel index whose centre is at or past v, held within [low, high].
int firstCentreAtOrAfter(double v, int low, int high) {
    return static_cast<int>(std::clamp(std::ceil(v - 0.5), double(low), double(high)));
}

}  // namespace

SpanFiller::SpanFiller(Pixels pixels, Box clip)
    : pixels_(pixels),
      clip_{std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, pixels.width),
            std::min(clip.bottom, pixels.height)} {}

void SpanFiller::fillLine(double x0, double y0, double x1, double y1, double halfWidth,
                          std::uint32_t pixel) const {
    if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1) &&
          std::isfinite(halfWidth) && halfWidth > 0.0))
        return;
    if (clip_.left >= clip_.right || clip_.top >= clip_.bottom) return;
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    // Coordinates anywhere near pixels are far too small for dx * dx to overflow; the rest are
    // out of reach of any clip box anyway.
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0) || !std::isfinite(length)) return;

    // Rows whose centres lie between the highest and the lowest corner of the stroke.
    const double reach = std::fabs(dx) / length * halfWidth;  // the corners' vertical offset
    const double top = std::min(y0, y1) - reach;
    const double bottom = std::max(y0, y1) + reach;
    const int rowBegin = firstCentreAtOrAfter(top, clip_.top, clip_.bottom);
    const int rowEnd = firstCentreAtOrAfter(bottom, clip_.top, clip_.bottom);
    if (rowBegin >= rowEnd) return;

    // Within those rows the stroke is where two bands meet: within halfWidth of the line, and
    // between the two ends. On a row, each band is an interval of x that slides by a fixed
    // amount per row. A band that runs level limits rows only, which the row range has done.
    const double infinity = std::numeric_limits<double>::infinity();
    constexpr double kLevel = 1e-12;  // relative to the length
    // Band across the line: x = x0 + sideSlope * (y - y0), give or take sideHalf.
    double sideSlope = 0.0;
    double sideHalf = infinity;
    if (std::fabs(dy) > kLevel * length) {
        const double perDy = 1.0 / dy;
        sideSlope = dx * perDy;
        sideHalf = halfWidth * length * std::fabs(perDy);
    }
    // Band between the ends: x = x0 - endSlope * (y - y0), plus endLow to endHigh.
    double endSlope = 0.0;
    double endLow = -infinity;
    double endHigh = infinity;
    if (std::fabs(dx) > kLevel * length) {
        const double perDx = 1.0 / dx;
        endSlope = dy * perDx;
        const double span = length * length * perDx;
        endLow = std::min(0.0, span);
        endHigh = std::max(0.0, span);
    }

    // Pixel x is lit when its centre x + 0.5 lies in [left, right): from ceil(left - 0.5) up to
    // ceil(right - 0.5). The bands' edges are followed from row to row by addition.
    const double clipLeft = clip_.left;
    const double clipRight = clip_.right;
    const double firstDown = (rowBegin + 0.5) - y0;
    double side = x0 + sideSlope * firstDown - 0.5;
    double end = x0 - endSlope * firstDown - 0.5;
    std::uint32_t* row = pixels_.first + static_cast<std::ptrdiff_t>(rowBegin) * pixels_.stride;
    for (int y = rowBegin; y < rowEnd;
         ++y, side += sideSlope, end -= endSlope, row += pixels_.stride) {
        const double left =
            std::clamp(std::max(side - sideHalf, end + endLow), clipLeft, clipRight);
        const double right =
            std::clamp(std::min(side + sideHalf, end + endHigh), clipLeft, clipRight);
        // Both lie in the clip box, at or above zero, where truncation then a step up is ceil.
        int from = static_cast<int>(left);
        from += from < left;
        int to = static_cast<int>(right);
        to += to < right;
        for (int x = from; x < to; ++x) row[x] = pixel;
    }
}

}  // namespace platform::qt
