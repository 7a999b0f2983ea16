#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "qt/drawing/InkCells.h"
#include "qt/drawing/SmoothTurn.h"

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

// Passing over clear cells is a shortcut: it gives the pixels of drawing every one. The picture is
// mostly see-through, with single pixels on cell edges, a flat opaque patch and soft-edged blobs;
// the maps turn, scale, mirror and run off the picture's edges.
TEST(SmoothTurn, ShortcutsDrawThePlainPixels) {
    constexpr int kW = 61, kH = 47, kT = 90;
    std::mt19937 random(7);
    std::vector<std::uint32_t> picture(kW * kH, 0);
    const auto premultiplied = [&](std::uint32_t alpha) {
        std::uint32_t p = alpha << 24;
        for (int shift = 0; shift < 24; shift += 8) p |= (random() % (alpha + 1)) << shift;
        return p;
    };
    for (const auto& [x, y] : {std::pair{7, 7}, {8, 15}, {15, 16}, {40, 0}, {0, 30}, {60, 46}})
        picture[y * kW + x] = premultiplied(200);
    for (int y = 20; y < 30; ++y)
        for (int x = 20; x < 34; ++x) picture[y * kW + x] = 0xff336699u;
    for (int blob = 0; blob < 4; ++blob) {
        const int cx = int(random() % kW), cy = int(random() % kH);
        for (int y = std::max(cy - 3, 0); y < std::min(cy + 3, kH); ++y)
            for (int x = std::max(cx - 3, 0); x < std::min(cx + 3, kW); ++x)
                picture[y * kW + x] = premultiplied(std::uint32_t(random() % 256));
    }
    const platform::qt::InkCells cells(picture.data(), kW, kW, kH);
    const auto turn = [](double degrees, double scale, double mirror, double dx, double dy) {
        const double a = degrees * 3.14159265358979 / 180.0;
        const double c = std::cos(a) / scale, s = std::sin(a) / scale;
        return SmoothTurn::Inverse{c * mirror, -s, s * mirror, c, dx, dy};
    };
    struct Map {
        std::string name;
        SmoothTurn::Inverse map;
    };
    std::vector<Map> maps = {
        {"turned 30 degrees", turn(30, 1, 1, 5, -25)},
        {"turned 200 degrees, mirrored", turn(200, 1, -1, 70, 60)},
        {"enlarged 2.5 times, turned", turn(-17, 2.5, 1, -3, 4)},
        {"shrunk to a third", turn(45, 0.33, 1, -40, 10)},
        {"far off the picture", turn(10, 1, 1, 500, 500)},
    };
    // Shifts that start runs at every place in a cell, across and down.
    for (int k = 0; k < 8; ++k)
        maps.push_back({"shifted by " + std::to_string(k) + " and a quarter",
                        turn(0, 1, 1, -k - 0.25, -(k * 3 % 8) - 0.25)});
    const SpanFiller::Box boxes[] = {{0, 0, kT, kT}, {13, 5, 30, 77}};
    std::vector<std::uint32_t> beneath(kT * kT);
    for (std::uint32_t& p : beneath) p = 0xff000000u | (random() & 0xffffffu);
    for (const auto& m : maps) {
        for (const SpanFiller::Box& box : boxes) {
            const auto draw = [&](const platform::qt::InkCells* ink) {
                std::vector<std::uint32_t> target = beneath;
                SmoothTurn::draw({picture.data(), kW, kW, kH, ink}, m.map,
                                 {target.data(), kT, kT, kT}, {&box, 1});
                return target;
            };
            EXPECT_EQ(draw(&cells), draw(nullptr)) << m.name;
        }
    }
}

}  // namespace
}  // namespace fluxprobe_qt_test
