#pragma once

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QRawFont>
#include <QRegion>
#include <QRgb>
#include <cstdint>

namespace platform::qt {

// How much of each pixel a glyph covers, as Qt's raster engine covers it, kept per glyph and
// position within a pixel; and blended straight into 32-bit pixels as that engine blends a
// coverage mask. A glyph is rasterised once by Qt itself, white on black, and its coverage read
// back: what it blends afterwards is what Qt would have blended.
class GlyphMasks {
  public:
    // Drops the masks kept when the font or the device pixel ratio differs from the last.
    void use(const QRawFont& font, qreal ratio);

    // Whether glyph, its origin on the baseline at device point at, can be blended here: not
    // where Qt would cover its pixels differently in each colour (text drawn with subpixel
    // colour).
    bool blendable(quint32 glyph, QPointF at);
    // Blends a blendable glyph in colour (opaque) into pixels, only inside clip (device pixels
    // of pixels).
    void blend(QImage& pixels, quint32 glyph, QPointF at, QRgb colour, const QRegion& clip);

  private:
    struct Mask {
        QImage coverage;  // Format_Grayscale8; null for a glyph that covers nothing
        QPoint origin;    // the glyph's origin in it, in whole pixels
        bool grey = true;
    };
    // The mask of glyph placed at a device point, and the whole pixel its origin falls in.
    const Mask& maskAt(quint32 glyph, QPointF at, QPoint& pixel);
    const Mask& maskOf(quint32 glyph, QPointF fraction);

    QRawFont font_;
    qreal ratio_ = 0.0;
    QHash<quint64, Mask> masks_;
};

}  // namespace platform::qt
