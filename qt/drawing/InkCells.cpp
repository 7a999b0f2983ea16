#include "qt/drawing/InkCells.h"

#include <algorithm>

namespace platform::qt {

InkCells::InkCells(const std::uint32_t* first, std::ptrdiff_t stride, int width, int height)
    : columns_(width > 0 ? ((width - 1) >> kShift) + 1 : 0),
      rows_(height > 0 ? ((height - 1) >> kShift) + 1 : 0),
      inked_(std::size_t(columns_ + 1) * std::size_t(rows_ + 1), 0) {
    // A pixel at (x, y) is read by the points from (x - 1, y - 1) to (x, y): it inks the cells
    // of both.
    std::vector<std::uint8_t> cell(std::size_t(columns_) * std::size_t(rows_), 0);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = first + std::ptrdiff_t(y) * stride;
        for (int x = 0; x < width; ++x) {
            if (row[x] == 0) continue;
            for (int cy = std::max(y - 1, 0) >> kShift; cy <= y >> kShift; ++cy)
                for (int cx = std::max(x - 1, 0) >> kShift; cx <= x >> kShift; ++cx)
                    cell[std::size_t(cy) * std::size_t(columns_) + std::size_t(cx)] = 1;
        }
    }
    const auto at = [this](int cx, int cy) -> std::uint32_t& {
        return inked_[std::size_t(cy) * std::size_t(columns_ + 1) + std::size_t(cx)];
    };
    for (int cy = 0; cy < rows_; ++cy)
        for (int cx = 0; cx < columns_; ++cx)
            at(cx + 1, cy + 1) = cell[std::size_t(cy) * std::size_t(columns_) + std::size_t(cx)] +
                                 at(cx, cy + 1) + at(cx + 1, cy) - at(cx, cy);
}

bool InkCells::clear(int x0, int y0, int x1, int y1) const {
    if (columns_ == 0 || rows_ == 0) return true;
    const int c0 = std::clamp(x0 >> kShift, 0, columns_ - 1);
    const int c1 = std::clamp(x1 >> kShift, 0, columns_ - 1) + 1;
    const int r0 = std::clamp(y0 >> kShift, 0, rows_ - 1);
    const int r1 = std::clamp(y1 >> kShift, 0, rows_ - 1) + 1;
    const auto at = [this](int cx, int cy) {
        return inked_[std::size_t(cy) * std::size_t(columns_ + 1) + std::size_t(cx)];
    };
    return at(c1, r1) - at(c0, r1) - at(c1, r0) + at(c0, r0) == 0;
}

}  // namespace platform::qt
