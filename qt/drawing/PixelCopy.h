#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <cstddef>
#include <cstring>

namespace platform::qt {

// Copies the pixels of a 32-bit source inside region (in the source's pixels) row by row into
// 32-bit pixels at target, each landing shift further on.
inline void copyPixels(const QImage& source, const QRegion& region, uchar* target, qsizetype stride,
                       QPoint shift = {}) {
    for (const QRect& r : region) {
        const auto row = std::size_t(r.width()) * 4;
        for (int y = r.top(); y <= r.bottom(); ++y)
            std::memcpy(target + std::ptrdiff_t(y + shift.y()) * stride +
                            std::ptrdiff_t(r.left() + shift.x()) * 4,
                        source.constScanLine(y) + std::ptrdiff_t(r.left()) * 4, row);
    }
}

}  // namespace platform::qt
