#include <gtest/gtest.h>

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <cmath>
#include <functional>
#include <limits>

#include "qt/drawing/PainterContext.h"

namespace fluxprobe_qt_test {
namespace {

using platform::DrawingContext;
using platform::qt::PainterContext;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Draws into a white 40x20 image, without anti-aliasing so pixels are exact.
QImage draw(const std::function<void(DrawingContext&)>& ops) {
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    {
        PainterContext context(painter);
        context.setAllowsAntialiasing(false);
        context.setLineWidth(2.0f);
        ops(context);
    }
    painter.end();
    return image;
}

bool inked(const QImage& image, int x, int y) {
    return image.pixelColor(x, y) != QColor(Qt::white);
}

TEST(PainterContext, APointThatIsNotFiniteBreaksThePathThere) {
    for (float bad : {kNaN, kInf, -kInf}) {
        const QImage image = draw([&](DrawingContext& c) {
            c.beginPath();
            c.moveToPoint(2, 10);
            c.addLineToPoint(12, 10);
            c.addLineToPoint(bad, 10);
            c.addLineToPoint(28, 10);
            c.addLineToPoint(38, 10);
            c.strokePath();
        });
        EXPECT_TRUE(inked(image, 7, 10)) << bad;
        EXPECT_FALSE(inked(image, 20, 10)) << bad << ": drew through the break";
        EXPECT_TRUE(inked(image, 33, 10)) << bad;
    }
}

TEST(PainterContext, HugeCoordinatesKeepTheVisiblePartOfTheLine) {
    for (float far : {1e30f, 3.4e38f}) {
        const QImage image = draw([&](DrawingContext& c) {
            c.beginPath();
            c.moveToPoint(20, 5);
            c.addLineToPoint(20, far);  // straight down, far beyond the image
            c.strokePath();
        });
        EXPECT_TRUE(inked(image, 20, 15)) << far;
        EXPECT_FALSE(inked(image, 30, 15)) << far;
    }
}

TEST(PainterContext, ThePathIsNotPartOfTheSavedStateAndAStrokeUsesItUp) {
    const QImage image = draw([](DrawingContext& c) {
        c.beginPath();
        c.moveToPoint(2, 10);
        c.saveGState();
        c.setRGBStrokeColor(1, 0, 0, 1);
        c.addLineToPoint(38, 10);
        c.restoreGState();  // back to black; the path stays
        c.strokePath();
        c.setRGBStrokeColor(0, 0, 1, 1);
        c.strokePath();  // the path was used up: nothing more is drawn
    });
    EXPECT_EQ(image.pixelColor(20, 10), QColor(Qt::black));
}

TEST(PainterContext, StrokeColoursAndWidthsReachThePainter) {
    struct Case {
        std::function<void(DrawingContext&)> colour;
        QColor expected;
    };
    const Case cases[] = {
        {[](DrawingContext& c) { c.setGrayStrokeColor(0.6f, 1.0f); }, QColor(153, 153, 153)},
        {[](DrawingContext& c) { c.setGrayStrokeColor(0.25f, 1.0f); }, QColor(64, 64, 64)},
        {[](DrawingContext& c) { c.setRGBStrokeColor(0, 1, 0, 1); }, QColor(0, 255, 0)},
        {[](DrawingContext& c) { c.setRGBStrokeColor(kNaN, 2, -1, 1); }, QColor(0, 255, 0)},
    };
    for (const Case& k : cases) {
        const QImage image = draw([&](DrawingContext& c) {
            k.colour(c);
            c.setLineWidth(6.0f);
            c.beginPath();
            c.moveToPoint(0, 10);
            c.addLineToPoint(40, 10);
            c.strokePath();
        });
        EXPECT_EQ(image.pixelColor(20, 10), k.expected);
        EXPECT_EQ(image.pixelColor(20, 12), k.expected) << "line width not applied";
    }
}

TEST(PainterContext, AntialiasingFollowsTheContext) {
    QImage image(4, 4, QImage::Format_RGB32);
    QPainter painter(&image);
    PainterContext context(painter);
    context.setAllowsAntialiasing(false);
    EXPECT_FALSE(painter.testRenderHint(QPainter::Antialiasing));
    context.saveGState();
    context.setAllowsAntialiasing(true);
    EXPECT_TRUE(painter.testRenderHint(QPainter::Antialiasing));
    context.restoreGState();
    EXPECT_FALSE(painter.testRenderHint(QPainter::Antialiasing));
}

// A trace drawn without antialiasing is filled by the context itself when it paints into an
// image; with a clip set on the painter it is left to Qt. Both must give the same pixels under
// the painter's transform, which is how a widget's offset and a screen's pixel ratio arrive.
TEST(PainterContext, TracesFilledDirectlyMatchQtsUnderTheTransform) {
    struct Case {
        const char* name;
        std::function<void(QPainter&)> transform;
    };
    const Case cases[] = {
        {"none", [](QPainter&) {}},
        {"offset", [](QPainter& p) { p.translate(13, -4); }},
        {"pixel ratio 2", [](QPainter& p) { p.scale(2, 2); }},
        {"offset and ratio",
         [](QPainter& p) {
             p.translate(5, 9);
             p.scale(1.5, 1.5);
         }},
        {"turned (left to Qt)", [](QPainter& p) { p.rotate(20); }},
    };
    for (const Case& c : cases) {
        QImage images[2];
        for (int byQt = 0; byQt < 2; ++byQt) {
            QImage image(120, 90, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            c.transform(painter);
            if (byQt) painter.setClipRect(QRect(-1000, -1000, 3000, 3000));
            {
                PainterContext context(painter);
                context.setAllowsAntialiasing(false);
                context.setLineWidth(2.0f);
                context.setRGBStrokeColor(0, 0, 1, 1);
                context.beginPath();
                for (int i = 0; i <= 40; ++i)
                    context.addLineToPoint(i * 2.0f, 30.0f + 20.0f * std::sin(i * 0.3f));
                context.strokePath();
            }
            painter.end();
            images[byQt] = image;
        }
        int blue = 0, differ = 0;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 120; ++x) {
                blue += images[0].pixel(x, y) == qRgb(0, 0, 255);
                differ += images[0].pixel(x, y) != images[1].pixel(x, y);
            }
        EXPECT_GT(blue, 100) << c.name;
        // A pixel's rounding at a few of the 40 joins, no more.
        EXPECT_LE(differ, 12) << c.name << ": " << differ << " of " << blue << " pixels differ";
    }
}

// A widget's paint may be clipped to a few bands, as a running graph repaints only where its
// traces cross: the direct fill keeps to them, and inside them lights what an unclipped paint
// lights.
TEST(PainterContext, TracesFilledDirectlyKeepToTheBandsBeingRepainted) {
    const QRegion bands = QRegion(0, 10, 120, 17) + QRegion(40, 30, 12, 40);
    QImage images[2];
    for (int clipped = 0; clipped < 2; ++clipped) {
        QImage image(120, 90, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        if (clipped) image.paintEngine()->setSystemClip(bands);
        QPainter painter(&image);
        {
            PainterContext context(painter);
            context.setAllowsAntialiasing(false);
            context.setLineWidth(2.0f);
            context.beginPath();
            for (int i = 0; i <= 40; ++i)
                context.addLineToPoint(i * 3.0f, 45.0f + 35.0f * std::sin(i * 0.2f));
            context.strokePath();
        }
        painter.end();
        image.paintEngine()->setSystemClip(QRegion());
        images[clipped] = image;
    }
    int inside = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool in = bands.contains(QPoint(x, y));
            const QRgb expected = in ? images[0].pixel(x, y) : qRgb(255, 255, 255);
            ASSERT_EQ(images[1].pixel(x, y), expected) << x << "," << y;
            inside += in && inked(images[0], x, y);
        }
    EXPECT_GT(inside, 40);
}

// A stroke over exactly the pixels of the one before (the compass graph's three traces of one
// heading) may replace it; any other keeps both, in order, whatever came between.
TEST(PainterContext, AStrokeOverTheSamePixelsReplacesTheOneBefore) {
    auto trace = [](DrawingContext& c, float lift) {
        c.beginPath();
        for (int i = 0; i <= 20; ++i)
            c.addLineToPoint(i * 2.0f, 10.0f + lift + 6.0f * std::sin(i * 0.5f));
        c.strokePath();
    };
    struct Case {
        const char* name;
        float lift;      // of the blue trace against the red one
        float redWidth;  // a wider stroke is left to Qt
        bool redShows;
    };
    const Case cases[] = {
        {"same pixels", 0.0f, 2.0f, false},
        {"a pixel lower", 1.0f, 2.0f, true},
        {"red left to Qt", 0.0f, 4.0f, true},
    };
    for (const Case& k : cases) {
        const QImage image = draw([&](DrawingContext& c) {
            c.setLineWidth(k.redWidth);
            c.setRGBStrokeColor(1, 0, 0, 1);
            trace(c, 0.0f);
            c.setLineWidth(2.0f);
            c.setRGBStrokeColor(0, 0, 1, 1);
            trace(c, k.lift);
        });
        int red = 0, blue = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                red += image.pixel(x, y) == qRgb(255, 0, 0);
                blue += image.pixel(x, y) == qRgb(0, 0, 255);
            }
        EXPECT_GT(blue, 30) << k.name;
        EXPECT_EQ(red > 0, k.redShows) << k.name << ": " << red << " red pixels";
    }
}

}  // namespace
}  // namespace fluxprobe_qt_test
