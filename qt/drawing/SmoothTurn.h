#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "qt/drawing/InkCells.h"
#include "qt/drawing/SpanFiller.h"

namespace platform::qt {

// Draws a premultiplied 32-bit picture under an affine map into 32-bit pixels, sampling it
// bilinearly (outside the picture is see-through) and blending it over what the pixels hold,
// only inside given boxes. It knows nothing of Qt, so it can draw into any pixel buffer.
//
// A dial's picture is mostly see-through: a pixel whose four nearest picture pixels are all
// see-through is passed over, where a general blend would sample and blend it anyway.
class SmoothTurn {
  public:
    struct Source {
        const std::uint32_t* first;
        std::ptrdiff_t stride;  // pixels from one row to the next
        int width;
        int height;
        // Where the picture is all zero, when known: runs of points there are passed over.
        const InkCells* ink = nullptr;
    };
    // Where the centre of the target's pixel (x, y) falls in the picture, whose pixel centres
    // lie at whole numbers: (m11 x + m21 y + dx, m12 x + m22 y + dy).
    struct Inverse {
        double m11, m12, m21, m22, dx, dy;
    };

    static void draw(const Source& picture, const Inverse& toPicture, SpanFiller::Pixels target,
                     std::span<const SpanFiller::Box> boxes);
};

}  // namespace platform::qt
