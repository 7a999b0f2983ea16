#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::qt {

// Which parts of a 32-bit picture hold anything but zero pixels, in square cells, so that a
// sampler can pass over a run of points at once: a point at (x, y) reads the pixels from (x, y)
// to (x + 1, y + 1), and a cell counts as clear only when every pixel any of its points reads
// is zero. Built once per picture; a query costs four lookups, however large its box.
class InkCells {
  public:
    static constexpr int kShift = 3;  // cells of 8 by 8 points

    InkCells() = default;
    InkCells(const std::uint32_t* first, std::ptrdiff_t stride, int width, int height);

    // Whether no point from (x0, y0) to (x1, y1), inclusive and inside the picture, reads a
    // pixel that is not zero.
    bool clear(int x0, int y0, int x1, int y1) const;

  private:
    int columns_ = 0;
    int rows_ = 0;
    std::vector<std::uint32_t> inked_;  // inked cells above and left of each corner, summed
};

}  // namespace platform::qt
