#include "qt/drawing/SpanFiller.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace platform::qt {

namespace {

using Box = SpanFiller::Box;
using Line = SpanFiller::Line;
using Pixels = SpanFiller::Pixels;

constexpr int kFraction = 32;  // fixed-point bits below the point
constexpr double kFixedOne = 4294967296.0;
// Added to a fixed-point value, it turns the floor that a shift down takes into a ceil.
constexpr std::int64_t kCeil = (std::int64_t{1} << kFraction) - 1;

// ceil(v), held within [low, high], whole numbers in int's range: truncation, then a step up
// where it went down.
int ceilWithin(double v, double low, double high) {
    v = std::min(std::max(v, low), high);
    const int t = static_cast<int>(v);
    return t + (t < v);
}

// Writes n >= 1 pixels from p on. The spans of a thin line are short: overlapping stores fill
// them with few branches.
void fillSpan(std::uint32_t* p, std::ptrdiff_t n, std::uint32_t pixel) {
    if (n < 4) {
        p[0] = pixel;
        p[n >> 1] = pixel;
        p[n - 1] = pixel;
        return;
    }
    std::uint32_t* const last = p + n - 4;
    for (; p < last; p += 4) p[0] = p[1] = p[2] = p[3] = pixel;
    last[0] = last[1] = last[2] = last[3] = pixel;
}

// A flat-capped stroke seen row by row. Its rows are those whose centres lie between its
// highest and its lowest corner. Within them it is where two bands meet: within halfWidth of
// the line, and between its ends. On a row, each band is an interval of x that slides by a
// fixed step from row to row. Pixel x is lit when its centre x + 0.5 lies in [left, right):
// from ceil(left - 0.5) up to ceil(right - 0.5); the bands' positions carry that half pixel.
struct Bands {
    int rowTop;     // the first row
    int rowBottom;  // one past the last
    double x0;      // where the line starts
    double y0;
    // Across the line: side(row) give or take sideHalf. A level line's band is unbounded: it
    // limits rows only, which the row range has done.
    double sideStep;
    double sideHalf;
    // Between the ends: end(row) plus endLow to endHigh; unbounded for an upright line.
    double endStep;
    double endLow;
    double endHigh;

    double side(int row) const { return x0 + sideStep * ((row + 0.5) - y0) - 0.5; }
    double end(int row) const { return x0 + endStep * ((row + 0.5) - y0) - 0.5; }
};

// False for a line that draws nothing.
bool bandsOf(const Line& line, double halfWidth, int rowsTop, int rowsBottom, Bands& bands) {
    if (!(std::isfinite(line.x0) && std::isfinite(line.y0) && std::isfinite(line.x1) &&
          std::isfinite(line.y1)))
        return false;
    const double dx = line.x1 - line.x0;
    const double dy = line.y1 - line.y0;
    // Coordinates anywhere near pixels are far too small for dx * dx to overflow; the rest are
    // out of reach of any clip box anyway.
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0) || !std::isfinite(length)) return false;

    const double reach = std::fabs(dx) / length * halfWidth;  // the corners' vertical offset
    bands.rowTop = ceilWithin(std::min(line.y0, line.y1) - reach - 0.5, rowsTop, rowsBottom);
    bands.rowBottom = ceilWithin(std::max(line.y0, line.y1) + reach - 0.5, rowsTop, rowsBottom);
    if (bands.rowTop >= bands.rowBottom) return false;
    bands.x0 = line.x0;
    bands.y0 = line.y0;

    const double infinity = std::numeric_limits<double>::infinity();
    constexpr double kLevel = 1e-12;  // relative to the length
    bands.sideStep = 0.0;
    bands.sideHalf = infinity;
    if (std::fabs(dy) > kLevel * length) {
        const double perDy = 1.0 / dy;
        bands.sideStep = dx * perDy;
        bands.sideHalf = halfWidth * length * std::fabs(perDy);
    }
    bands.endStep = 0.0;
    bands.endLow = -infinity;
    bands.endHigh = infinity;
    if (std::fabs(dx) > kLevel * length) {
        const double perDx = 1.0 / dx;
        bands.endStep = -dy * perDx;
        const double span = length * length * perDx;
        bands.endLow = std::min(0.0, span);
        bands.endHigh = std::max(0.0, span);
    }
    return true;
}

// A slanted line's bands in fixed point, on its first row and from row to row.
struct Stroke {
    int rowTop;
    int rowBottom;
    std::int64_t side;
    std::int64_t sideStep;
    std::int64_t sideHalf;
    std::int64_t end;
    std::int64_t endStep;
    std::int64_t endSpan;  // from end to the far end of the band, either way
};

// Lines near the origin and neither nearly level nor nearly upright (almost every line) are set
// up here, in few instructions. Within these bounds no edge, on any of the line's rows, leaves
// 2^30 pixels, and a fixed-point edge stays far from the limits of 64 bits. False leaves the
// line to bandsOf.
constexpr double kNear = 65536.0;   // 2^16 pixels: the furthest an end may be
constexpr double kSteep = 4096.0;   // 2^12: the most a band's edge moves from row to row
constexpr double kWidest = 1024.0;  // 2^10 pixels: above this half width, all the careful way

bool strokeOf(const Line& line, double halfWidth, Stroke& s) {
    const double dx = line.x1 - line.x0;
    const double dy = line.y1 - line.y0;
    const double flat = std::fabs(dx);
    const double tall = std::fabs(dy);
    // Comparisons with NaN fail: a line that is not finite goes the careful way.
    if (!(std::max(std::max(std::fabs(line.x0), std::fabs(line.y0)),
                   std::max(std::fabs(line.x1), std::fabs(line.y1))) < kNear &&
          flat < kSteep * tall && tall < kSteep * flat))
        return false;

    // Where neither band is unbounded they meet in the stroke alone, so the rows need not end
    // exactly at its corners: a row beyond a corner gets no span. Rows within halfWidth of the
    // ends will do, and need no square root before them.
    const double top = std::min(line.y0, line.y1) - halfWidth - 0.5;
    const double bottom = std::max(line.y0, line.y1) + halfWidth - 0.5;
    // Both are well within int: truncation, then a step up where it went down, is ceil.
    s.rowTop = static_cast<int>(top);
    s.rowTop += s.rowTop < top;
    s.rowBottom = static_cast<int>(bottom);
    s.rowBottom += s.rowBottom < bottom;

    // Scaling by a power of two is exact, so scaling the reciprocals scales every result.
    const double lengthSquared = dx * dx + dy * dy;
    const double perDy = kFixedOne / dy;
    const double perDx = kFixedOne / dx;
    const double sideStep = dx * perDy;
    const double endStep = -dy * perDx;
    const double x = line.x0 * kFixedOne;
    const double down = (s.rowTop + 0.5) - line.y0;
    constexpr double kHalf = kFixedOne / 2.0;
    s.side = static_cast<std::int64_t>(x + sideStep * down - kHalf);
    s.sideStep = static_cast<std::int64_t>(sideStep);
    s.sideHalf = static_cast<std::int64_t>(halfWidth * std::sqrt(lengthSquared) * std::fabs(perDy));
    s.end = static_cast<std::int64_t>(x + endStep * down - kHalf);
    s.endStep = static_cast<std::int64_t>(endStep);
    s.endSpan = static_cast<std::int64_t>(lengthSquared * perDx);
    return true;
}

void fillRows(const Stroke& s, const Box& box, const Pixels& pixels, std::uint32_t pixel) {
    const int first = std::max(s.rowTop, box.top);
    const int last = std::min(s.rowBottom, box.bottom);
    if (first >= last) return;
    const std::int64_t down = first - s.rowTop;
    std::int64_t side = s.side + s.sideStep * down;
    std::int64_t end = s.end + s.endStep * down;
    // The edges from side and end, biased so that shifting one down gives its first pixel.
    const std::int64_t sideLow = kCeil - s.sideHalf;
    const std::int64_t sideHigh = kCeil + s.sideHalf;
    const std::int64_t endLow = kCeil + std::min(s.endSpan, std::int64_t{0});
    const std::int64_t endHigh = kCeil + std::max(s.endSpan, std::int64_t{0});
    const std::int64_t left = box.left;
    const std::int64_t right = box.right;
    std::uint32_t* row = pixels.first + first * pixels.stride;
    for (int y = first; y < last; ++y, side += s.sideStep, end += s.endStep, row += pixels.stride) {
        const std::int64_t from =
            std::max(std::max(side + sideLow, end + endLow) >> kFraction, left);
        const std::int64_t to =
            std::min(std::min(side + sideHigh, end + endHigh) >> kFraction, right);
        if (from < to) fillSpan(row + from, to - from, pixel);
    }
}

// The same in floating point, for lines whose edges go beyond fixed point's reach.
void fillRows(const Bands& b, const Box& box, const Pixels& pixels, std::uint32_t pixel) {
    const int first = std::max(b.rowTop, box.top);
    const int last = std::min(b.rowBottom, box.bottom);
    if (first >= last) return;
    double side = b.side(first);
    double end = b.end(first);
    const double left = box.left;
    const double right = box.right;
    std::uint32_t* row = pixels.first + first * pixels.stride;
    for (int y = first; y < last; ++y, side += b.sideStep, end += b.endStep, row += pixels.stride) {
        const int from = ceilWithin(std::max(side - b.sideHalf, end + b.endLow), left, right);
        const int to = ceilWithin(std::min(side + b.sideHalf, end + b.endHigh), left, right);
        if (from < to) fillSpan(row + from, to - from, pixel);
    }
}

}  // namespace

SpanFiller::SpanFiller(Pixels pixels, Box clip) : SpanFiller(pixels, std::span(&clip, 1)) {}

SpanFiller::SpanFiller(Pixels pixels, std::span<const Box> clip) : pixels_(pixels) {
    clip_.reserve(clip.size());
    for (const Box& b : clip) {
        const Box within{std::max(b.left, 0), std::max(b.top, 0), std::min(b.right, pixels.width),
                         std::min(b.bottom, pixels.height)};
        if (within.left >= within.right || within.top >= within.bottom) continue;
        clip_.push_back(within);
        rowsTop_ = std::min(rowsTop_, within.top);
        rowsBottom_ = std::max(rowsBottom_, within.bottom);
    }
}

void SpanFiller::fillLine(double x0, double y0, double x1, double y1, double halfWidth,
                          std::uint32_t pixel) const {
    const Line line{x0, y0, x1, y1};
    fillLines(std::span(&line, 1), {}, halfWidth, pixel);
}

void SpanFiller::fillLines(std::span<const Line> lines, Placement placement, double halfWidth,
                           std::uint32_t pixel) const {
    if (clip_.empty() || !std::isfinite(halfWidth) || !(halfWidth > 0.0)) return;
    // Setting a line up is a chain of dependent arithmetic, and following its rows takes
    // branches that go one way or the other by the line's shape. Setting up a batch first lets
    // the processor overlap the set-ups; only the rows then wait on mispredicted branches.
    constexpr std::size_t kBatch = 160;  // a trace of 150 points in one batch
    std::array<Stroke, kBatch> strokes;
    const bool narrow = halfWidth < kWidest;
    while (!lines.empty()) {
        const std::span<const Line> batch = lines.first(std::min(kBatch, lines.size()));
        lines = lines.subspan(batch.size());
        std::size_t count = 0;
        for (const Line& given : batch) {
            const Line line{given.x0 * placement.scale + placement.dx,
                            given.y0 * placement.scale + placement.dy,
                            given.x1 * placement.scale + placement.dx,
                            given.y1 * placement.scale + placement.dy};
            if (narrow && strokeOf(line, halfWidth, strokes[count])) {
                ++count;
                continue;
            }
            Bands bands;
            if (!bandsOf(line, halfWidth, rowsTop_, rowsBottom_, bands)) continue;
            for (const Box& box : clip_) fillRows(bands, box, pixels_, pixel);
        }
        for (const Stroke& stroke : std::span(strokes).first(count))
            for (const Box& box : clip_) fillRows(stroke, box, pixels_, pixel);
    }
}

}  // namespace platform::qt
