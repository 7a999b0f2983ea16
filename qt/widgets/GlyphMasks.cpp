#include "qt/widgets/GlyphMasks.h"

#include <QGlyphRun>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "qt/drawing/PixelMath.h"

namespace platform::qt {

namespace {

// Qt places glyphs in 64ths of a device pixel.
constexpr int kSteps = 64;
constexpr int kPad = 2;  // pixels around a glyph's bounds that its antialiased edge may reach
constexpr int kMostMasks = 4096;

// An opaque colour over a pixel through a coverage, as Qt blends a glyph's mask: the colour
// weighed by the coverage, over the pixel.
inline std::uint32_t blendCovered(std::uint32_t colour, std::uint32_t coverage,
                                  std::uint32_t pixel) {
    const std::uint32_t s = byteMul(colour, coverage);
    return s + byteMul(pixel, 255 - qAlpha(s));
}

}  // namespace

void GlyphMasks::use(const QRawFont& font, qreal ratio) {
    if (font == font_ && ratio == ratio_) return;
    font_ = font;
    ratio_ = ratio;
    masks_.clear();
}

const GlyphMasks::Mask& GlyphMasks::maskOf(quint32 glyph, QPointF fraction) {
    const int fx = static_cast<int>(fraction.x()), fy = static_cast<int>(fraction.y());
    const quint64 key = (quint64(glyph) << 16) | quint64(fx << 8) | quint64(fy);
    if (auto found = masks_.constFind(key); found != masks_.cend()) return *found;
    if (masks_.size() >= kMostMasks) masks_.clear();
    Mask mask;
    const QRectF bounds = font_.boundingRect(glyph);
    if (!bounds.isEmpty()) {
        // The glyph's box in device pixels, from its origin, with room for its edge.
        const QRect box = QRectF(bounds.topLeft() * ratio_, bounds.size() * ratio_)
                              .toAlignedRect()
                              .adjusted(-kPad, -kPad, kPad + 1, kPad + 1);
        QImage white(box.size(), QImage::Format_RGB32);
        white.fill(Qt::black);
        white.setDevicePixelRatio(ratio_);
        mask.origin = -box.topLeft();
        {
            QPainter p(&white);
            p.setPen(Qt::white);
            QGlyphRun run;
            run.setRawFont(font_);
            run.setGlyphIndexes({glyph});
            run.setPositions({QPointF(0.0, 0.0)});
            p.drawGlyphRun(QPointF((mask.origin.x() + double(fx) / kSteps) / ratio_,
                                   (mask.origin.y() + double(fy) / kSteps) / ratio_),
                           run);
        }
        mask.coverage = QImage(box.size(), QImage::Format_Grayscale8);
        bool any = false;
        for (int y = 0; y < white.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(white.constScanLine(y));
            uchar* out = mask.coverage.scanLine(y);
            for (int x = 0; x < white.width(); ++x) {
                const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
                if (r != g || g != b) mask.grey = false;
                out[x] = static_cast<uchar>(g);
                any = any || g != 0;
            }
        }
        if (!any) mask.coverage = QImage();
    }
    return *masks_.insert(key, std::move(mask));
}

const GlyphMasks::Mask& GlyphMasks::maskAt(quint32 glyph, QPointF at, QPoint& pixel) {
    // Where Qt puts it: the position in 64ths, split into whole pixels and the part of one.
    const qint64 qx = std::llround(at.x() * kSteps), qy = std::llround(at.y() * kSteps);
    const qint64 px = qx >= 0 ? qx / kSteps : -((-qx + kSteps - 1) / kSteps);
    const qint64 py = qy >= 0 ? qy / kSteps : -((-qy + kSteps - 1) / kSteps);
    pixel = QPoint(static_cast<int>(px), static_cast<int>(py));
    return maskOf(glyph, QPointF(double(qx - px * kSteps), double(qy - py * kSteps)));
}

bool GlyphMasks::blendable(quint32 glyph, QPointF at) {
    QPoint pixel;
    return maskAt(glyph, at, pixel).grey;
}

void GlyphMasks::blend(QImage& pixels, quint32 glyph, QPointF at, QRgb colour,
                       const QRegion& clip) {
    QPoint pixel;
    const Mask& mask = maskAt(glyph, at, pixel);
    if (mask.coverage.isNull() || !mask.grey) return;
    const QRect placed(pixel - mask.origin, mask.coverage.size());
    const auto stride = pixels.bytesPerLine();
    uchar* bits = pixels.bits();
    for (const QRect& r : clip) {
        const QRect part = r & placed & pixels.rect();
        for (int y = part.top(); y <= part.bottom(); ++y) {
            const uchar* cover =
                mask.coverage.constScanLine(y - placed.top()) + (part.left() - placed.left());
            auto* row = reinterpret_cast<std::uint32_t*>(bits + std::ptrdiff_t(y) * stride);
            for (int x = part.left(); x <= part.right(); ++x, ++cover) {
                const std::uint32_t c = *cover;
                if (c == 255)
                    row[x] = colour;
                else if (c != 0)
                    row[x] = blendCovered(colour, c, row[x]);
            }
        }
    }
}

}  // namespace platform::qt
