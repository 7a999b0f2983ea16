#pragma once

#include <cstdint>

namespace platform::qt {

// x * a / 255 for each 8-bit channel of a 32-bit pixel, rounded as Qt's raster engine rounds it,
// so that pixels blended here match the ones it blends.
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a) {
    std::uint32_t t = (x & 0xff00ff) * a;
    t = ((t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return x | t;
}

}  // namespace platform::qt
