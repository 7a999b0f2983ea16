#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform::qt {

// Fills, without antialiasing, the pixels of 32-bit image rows whose centres lie inside a
// flat-capped straight line of a given width: the pixels an aliased stroke covers, written row
// by row as spans. It knows nothing of Qt, so it can draw into any pixel buffer.
class SpanFiller {
  public:
    struct Pixels {
        std::uint32_t* first;   // the top-left pixel
        std::ptrdiff_t stride;  // pixels from one row to the next
        int width;
        int height;
    };
    // Half-open in both directions: left <= x < right, top <= y < bottom.
    struct Box {
        int left;
        int top;
        int right;
        int bottom;
        bool operator==(const Box&) const = default;
    };
    struct Line {
        double x0;
        double y0;
        double x1;
        double y1;
        bool operator==(const Line&) const = default;
    };
    // Where a line's coordinates land in the pixels: x * scale + dx, y * scale + dy.
    struct Placement {
        double scale = 1.0;
        double dx = 0.0;
        double dy = 0.0;
        bool operator==(const Placement&) const = default;
    };

    // Nothing outside the clip boxes, or outside the pixels, is ever written.
    SpanFiller(Pixels pixels, Box clip);
    SpanFiller(Pixels pixels, std::span<const Box> clip);

    // A line that is not finite, has no length or no width draws nothing.
    void fillLine(double x0, double y0, double x1, double y1, double halfWidth,
                  std::uint32_t pixel) const;
    // Many lines of one width (in pixels) and colour: each line is set up once for all the clip
    // boxes, and the set-ups of a batch run back to back, where the processor can overlap them.
    void fillLines(std::span<const Line> lines, Placement placement, double halfWidth,
                   std::uint32_t pixel) const;

  private:
    Pixels pixels_;
    std::vector<Box> clip_;         // within the pixels, none empty
    int rowsTop_ = pixels_.height;  // the rows any box holds
    int rowsBottom_ = 0;
};

}  // namespace platform::qt
