#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "qt/drawing/SpanFiller.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::SpanFiller;

constexpr QRgb kInk = 0xff102030;
constexpr QRgb kPaper = 0xffffffff;

QImage paper(int width = 64, int height = 48) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kPaper);
    return image;
}

SpanFiller::Pixels pixelsOf(QImage& image) {
    return {reinterpret_cast<std::uint32_t*>(image.bits()),
            static_cast<std::ptrdiff_t>(image.bytesPerLine() / 4), image.width(), image.height()};
}

SpanFiller::Box wholeOf(const QImage& image) {
    return {0, 0, image.width(), image.height()};
}

int inked(const QImage& image, QRect area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += image.pixel(x, y) != kPaper;
    return n;
}

struct Line {
    double x0, y0, x1, y1, width;
};

// The same line as Qt strokes it without antialiasing, flat-capped.
QImage byQt(const Line& l) {
    QImage image = paper();
    QPainter painter(&image);
    QPen pen(QColor::fromRgb(kInk), l.width);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(QLineF(l.x0, l.y0, l.x1, l.y1));
    return image;
}

QImage byFiller(const Line& l) {
    QImage image = paper();
    SpanFiller(pixelsOf(image), wholeOf(image))
        .fillLine(l.x0, l.y0, l.x1, l.y1, l.width / 2.0, kInk);
    return image;
}

TEST(SpanFiller, LevelAndUprightLinesCoverWholePixelsExactly) {
    struct Case {
        Line line;
        QRect expected;
    };
    const Case cases[] = {
        {{2, 10, 12, 10, 2}, QRect(2, 9, 10, 2)},      // rows 9 and 10, columns 2 to 11
        {{12, 10, 2, 10, 2}, QRect(2, 9, 10, 2)},      // drawn backwards
        {{5, 3, 5, 20, 2}, QRect(4, 3, 2, 17)},        // upright
        {{5, 20, 5, 3, 2}, QRect(4, 3, 2, 17)},        // upright, upwards
        {{0, 7.5, 64, 7.5, 1}, QRect(0, 7, 64, 1)},    // a one-pixel rule on a pixel row
        {{10.4, 4, 20.6, 4, 2}, QRect(10, 3, 11, 2)},  // ends round to the nearest centres
    };
    for (const Case& c : cases) {
        const QImage image = byFiller(c.line);
        EXPECT_EQ(inked(image, c.expected), c.expected.width() * c.expected.height())
            << c.line.x0 << "," << c.line.y0;
        EXPECT_EQ(inked(image, image.rect()), c.expected.width() * c.expected.height())
            << c.line.x0 << "," << c.line.y0 << ": ink outside the line";
    }
}

TEST(SpanFiller, SlantedLinesCoverWhatQtsAliasedStrokeCovers) {
    const Line lines[] = {
        {3, 5, 60, 40, 2},  {60, 40, 3, 5, 2},         {10, 2, 14, 45, 2},
        {2, 30, 62, 27, 2}, {5.3, 9.7, 40.2, 11.1, 2}, {30, 44, 33, 1, 2},
        {4, 4, 44, 44, 1},  {8, 40, 50, 6, 1.5},       {20, 20, 22.5, 21.5, 2},
    };
    for (const Line& l : lines) {
        const QImage ours = byFiller(l);
        const QImage qts = byQt(l);
        int both = 0, onlyOurs = 0, onlyQts = 0;
        for (int y = 0; y < ours.height(); ++y)
            for (int x = 0; x < ours.width(); ++x) {
                const bool a = ours.pixel(x, y) != kPaper;
                const bool b = qts.pixel(x, y) != kPaper;
                both += a && b;
                onlyOurs += a && !b;
                onlyQts += b && !a;
            }
        const QString where =
            QString("(%1,%2)-(%3,%4) w%5").arg(l.x0).arg(l.y0).arg(l.x1).arg(l.y1).arg(l.width);
        // Rasterisers may round a pixel differently where an edge passes through its centre,
        // but otherwise the same pixels must come out.
        EXPECT_GT(both, 0) << where.toStdString();
        EXPECT_LE(onlyOurs + onlyQts, 2)
            << where.toStdString() << ": " << onlyOurs << " only ours, " << onlyQts
            << " only Qt's, " << both << " shared";
    }
}

TEST(SpanFiller, NothingIsWrittenOutsideTheClipBoxOrTheImage) {
    const double far = 1.0e6;
    const Line lines[] = {
        {-far, 24, far, 24, 2},
        {32, -far, 32, far, 2},
        {-far, -far, far, far, 2},
        {0, 47, 64, 47.9, 2},
        {-3, -3, 70, 50, 2},
        {63.9, 0, 63.9, 48, 2},
        {30, 20, 30 + far, 20 + 3 * far, 2},
    };
    const SpanFiller::Box box{10, 8, 50, 40};
    const QRect inside(box.left, box.top, box.right - box.left, box.bottom - box.top);
    for (const Line& l : lines) {
        // A guard row above and below the image catches writes past its ends.
        QImage guarded = paper(64, 50);
        SpanFiller::Pixels pixels = pixelsOf(guarded);
        pixels.first += pixels.stride;
        pixels.height = 48;
        SpanFiller(pixels, box).fillLine(l.x0, l.y0, l.x1, l.y1, l.width / 2.0, kInk);
        SpanFiller(pixels, {-100, -100, 1000, 1000})
            .fillLine(l.x0 + 1, l.y0, l.x1 + 1, l.y1, l.width / 2.0, 0xff00ff00);
        QImage clipped = guarded.copy(0, 1, 64, 48);
        int outside = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                outside += clipped.pixel(x, y) == kInk && !inside.contains(x, y);
        EXPECT_EQ(outside, 0) << l.x0 << "," << l.y0 << " to " << l.x1 << "," << l.y1;
        EXPECT_EQ(inked(guarded, QRect(0, 0, 64, 1)), 0) << "wrote above the image";
        EXPECT_EQ(inked(guarded, QRect(0, 49, 64, 1)), 0) << "wrote below the image";
    }
}

TEST(SpanFiller, LinesThatCannotBeDrawnLeaveThePixelsAlone) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Line lines[] = {
        {nan, 1, 20, 20, 2}, {1, 1, inf, 20, 2}, {1, -inf, 20, 20, 2}, {10, 10, 10, 10, 2},
        {1, 1, 30, 30, 0},   {1, 1, 30, 30, -2}, {1, 1, 30, 30, nan},  {1e300, 0, -1e300, 5, 2},
    };
    for (const Line& l : lines) {
        const QImage image = byFiller(l);
        EXPECT_EQ(inked(image, image.rect()), 0) << l.x0 << "," << l.y0 << " w" << l.width;
    }
}

// The rule itself, pixel by pixel: where a pixel centre stands to a flat-capped stroke. Centres
// within a hair of the stroke's edge go either way, as rounding has it.
enum class Stands { In, Out, OnEdge };

Stands standsTo(double cx, double cy, const SpanFiller::Line& l, double halfWidth) {
    const double dx = l.x1 - l.x0;
    const double dy = l.y1 - l.y0;
    const double length = std::hypot(dx, dy);
    if (!(length > 0.0) || !std::isfinite(length)) return Stands::Out;
    const double along = ((cx - l.x0) * dx + (cy - l.y0) * dy) / length;
    const double across = std::fabs((cx - l.x0) * dy - (cy - l.y0) * dx) / length;
    constexpr double kHair = 1e-6;
    if (along < -kHair || along > length + kHair || across > halfWidth + kHair) return Stands::Out;
    if (along > kHair && along < length - kHair && across < halfWidth - kHair) return Stands::In;
    return Stands::OnEdge;
}

TEST(SpanFiller, RandomLinesLightExactlyThePixelCentresInsideTheirStrokes) {
    constexpr int kWidth = 64, kHeight = 48;
    std::mt19937 rng(19);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(rng);
    };
    const auto anyPoint = [&] { return std::pair(uniform(-10, 74), uniform(-10, 58)); };
    // Each kind of line reaches a different way of setting it up.
    const auto randomLine = [&](int kind) {
        auto [x0, y0] = anyPoint();
        auto [x1, y1] = anyPoint();
        switch (kind) {
            case 0:  // slanted, anywhere near the image
                break;
            case 1:  // short
                x1 = x0 + uniform(-1.5, 1.5), y1 = y0 + uniform(-1.5, 1.5);
                break;
            case 2:  // level
                y1 = y0;
                break;
            case 3:  // upright
                x1 = x0;
                break;
            case 4:  // nearly level
                y1 = y0 + uniform(-1, 1) * 1e-7 * (x1 - x0);
                break;
            case 5:  // nearly upright
                x1 = x0 + uniform(-1, 1) * 1e-7 * (y1 - y0);
                break;
            case 6:  // steep
                x1 = x0 + uniform(-0.2, 0.2);
                break;
            case 7:  // huge: through the image from far away
                x1 = x0 + uniform(-1, 1) * 1e7, y1 = y0 + uniform(-1, 1) * 1e7;
                x0 -= x1 - x0, y0 -= y1 - y0;
                break;
            default:  // on half pixels, where edges pass through pixel centres
                x0 = std::round(x0 * 2) / 2, y0 = std::round(y0 * 2) / 2;
                x1 = std::round(x1 * 2) / 2, y1 = std::round(y1 * 2) / 2;
        }
        return SpanFiller::Line{x0, y0, x1, y1};
    };

    int checked = 0;
    for (int trial = 0; trial < 400; ++trial) {
        // Sometimes a long trace, more than a batch; mostly a few lines of one kind or another.
        const int count = trial % 40 == 0 ? 165 + trial / 40 : 1 + trial % 4;
        std::vector<SpanFiller::Line> lines;
        for (int i = 0; i < count; ++i) lines.push_back(randomLine((trial + i) % 9));
        const double halfWidth = trial % 3 == 0 ? 1.0 : uniform(0.3, 2.5);
        const SpanFiller::Placement placement =
            trial % 4 == 0 ? SpanFiller::Placement{2.0, -3.0, 1.5} : SpanFiller::Placement{};
        std::vector<SpanFiller::Box> boxes;
        for (int b = 0; b <= trial % 3; ++b) {
            const int left = int(uniform(-8, 50)), top = int(uniform(-8, 40));
            boxes.push_back({left, top, left + int(uniform(1, 40)), top + int(uniform(1, 30))});
        }
        if (trial % 5 == 0) boxes = {{0, 0, kWidth, kHeight}};

        QImage image = paper(kWidth, kHeight);
        SpanFiller(pixelsOf(image), boxes).fillLines(lines, placement, halfWidth, kInk);

        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const bool clipped = std::none_of(boxes.begin(), boxes.end(), [&](const auto& b) {
                    return b.left <= x && x < b.right && b.top <= y && y < b.bottom;
                });
                Stands stands = Stands::Out;
                for (const SpanFiller::Line& l : lines) {
                    const SpanFiller::Line placed{l.x0 * placement.scale + placement.dx,
                                                  l.y0 * placement.scale + placement.dy,
                                                  l.x1 * placement.scale + placement.dx,
                                                  l.y1 * placement.scale + placement.dy};
                    const Stands s = standsTo(x + 0.5, y + 0.5, placed, halfWidth);
                    if (s == Stands::In) stands = s;
                    if (s == Stands::OnEdge && stands == Stands::Out) stands = s;
                }
                if (stands == Stands::OnEdge && !clipped) continue;
                const bool lit = image.pixel(x, y) == kInk;
                ASSERT_EQ(lit, stands == Stands::In && !clipped)
                    << "pixel " << x << "," << y << " in trial " << trial << " (" << count
                    << " lines, first " << lines[0].x0 << "," << lines[0].y0 << " to "
                    << lines[0].x1 << "," << lines[0].y1 << ", half width " << halfWidth << ")";
                ++checked;
            }
    }
    EXPECT_GT(checked, 400 * 64 * 48 * 9 / 10);  // the edges are a sliver of the pixels
}

}  // namespace
}  // namespace fluxprobe_qt_test
