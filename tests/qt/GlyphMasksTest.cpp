#include <gtest/gtest.h>

#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QRawFont>

#include "ImageDifference.h"
#include "qt/widgets/GlyphMasks.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::GlyphMasks;

// Glyphs blended from kept masks land on the same pixels, with the same values, as Qt's own
// glyph drawing, wherever within a pixel they start and at any whole pixel ratio.
TEST(GlyphMasks, BlendAsQtDrawsTheGlyph) {
    struct Case {
        qreal ratio;
        QPointF at;  // the baseline origin, in the image's units
        QColor colour;
    };
    const Case cases[] = {
        {1.0, {10.0, 30.0}, QColor(20, 30, 25)},      {1.0, {10.37, 30.5}, QColor(20, 30, 25)},
        {1.0, {11.84, 29.02}, QColor(250, 80, 70)},   {2.0, {10.0, 30.0}, QColor(20, 30, 25)},
        {2.0, {10.61, 30.27}, QColor(120, 200, 255)}, {3.0, {9.13, 31.7}, QColor(0, 0, 0)},
    };
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(19);
    font.setBold(true);
    const QRawFont raw = QRawFont::fromFont(font);
    const QList<quint32> glyphs = raw.glyphIndexesForString(QString::fromUtf8("8.9\u00b0\u00b5W-"));
    for (const Case& c : cases) {
        GlyphMasks masks;
        masks.use(raw, c.ratio);
        for (quint32 glyph : glyphs) {
            SCOPED_TRACE(testing::Message() << "ratio " << c.ratio << " at " << c.at.x() << ","
                                            << c.at.y() << " glyph " << glyph);
            QImage expected = filledImage(QSize(40, 40), c.ratio, QColor(182, 200, 168));
            {
                QPainter p(&expected);
                p.setPen(c.colour);
                QGlyphRun run;
                run.setRawFont(raw);
                run.setGlyphIndexes({glyph});
                run.setPositions({QPointF(0.0, 0.0)});
                p.drawGlyphRun(c.at, run);
            }
            QImage blended = filledImage(QSize(40, 40), c.ratio, QColor(182, 200, 168));
            ASSERT_TRUE(masks.blendable(glyph, c.at * c.ratio));
            masks.blend(blended, glyph, c.at * c.ratio, c.colour.rgba(), QRegion(blended.rect()));
            EXPECT_LE(largestDifference(blended, expected), 0);
            EXPECT_NE(blended, filledImage(QSize(40, 40), c.ratio, QColor(182, 200, 168)));
        }
    }
}

}  // namespace
}  // namespace fluxprobe_qt_test
