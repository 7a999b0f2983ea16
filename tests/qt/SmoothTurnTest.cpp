#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/qt/drawing/SmoothTurn.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::SmoothTurn;
using platform::qt::SpanFiller;

// Pixel centres line up: a plain shift by whole pixels puts each picture pixel exactly, blended
// over the target; nothing is written outside the boxes or the target, and a map that is not
// finite writes nothing.
TEST(SmoothTurn, PlacesPixelsByTheirCentresAndKeepsToTheBoxes) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        SmoothTurn::Inverse map;
        SpanFiller::Box box;
        int written;  // target pixels that change
    };
    const Case cases[] = {
        {"shifted by (3, 2)", {1, 0, 0, 1, -3, -2}, {0, 0, 10, 8}, 16},
        {"box cut to the target", {1, 0, 0, 1, -3, -2}, {4, -5, 40, 50}, 12},
        {"not finite", {nan, 0, 0, 1, -3, -2}, {0, 0, 10, 8}, 0},
    };
    // A 4x4 picture: a half-transparent red row on top, opaque green below.
    std::vector<std::uint32_t> picture(16, 0xff00ff00u);
    for (int x = 0; x < 4; ++x) picture[x] = 0x80800000u;
    for (const Case& c : cases) {
        std::vector<std::uint32_t> target(10 * 8, 0xff0000ffu);
        SmoothTurn::draw({picture.data(), 4, 4, 4}, c.map, {target.data(), 10, 10, 8}, {&c.box, 1});
        int written = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x) {
                const std::uint32_t p = target[std::size_t(y) * 10 + x];
                if (p == 0xff0000ffu) continue;
                ++written;
                const bool in = x >= c.box.left && x < c.box.right && y >= c.box.top;
                EXPECT_TRUE(in) << c.name << ": wrote " << x << "," << y;
                // Red at half over blue, or the picture's green.
                EXPECT_EQ(p, y == 2 ? 0xff80007fu : 0xff00ff00u) << c.name << " " << x << "," << y;
            }
        EXPECT_EQ(written, c.written) << c.name;
    }
}

}  // namespace
}  // namespace fluxprobe_qt_test
