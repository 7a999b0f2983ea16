#include "qt/drawing/TurnedPicture.h"

#include <QPaintEngine>
#include <algorithm>
#include <cmath>

#include "qt/drawing/PixelCopy.h"
#include "qt/drawing/SmoothTurn.h"

namespace platform::qt {

namespace {

constexpr int kInkCell = 16;     // picture pixels a side: small enough to follow a needle's arm
constexpr int kReachCell = 8;    // area units a side of the reach's grid
constexpr int kSmoothReach = 2;  // picture pixels a smooth turn reads around a point

bool cellHasInk(const QImage& picture, const QRect& cell) {
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (qAlpha(row[x]) != 0) return true;
    }
    return false;
}

}  // namespace

bool TurnedPicture::inkIsOf(const QImage& picture) {
    const QImage& argb = premultiplied(picture);
    return inkKey_ == argb.cacheKey() && inkSize_ == argb.size();
}

const std::vector<QRect>& TurnedPicture::inkOf(const QImage& picture) {
    // Everything about the ink is found in one look at the premultiplied pixels the sampler
    // reads, whichever form of the picture asks.
    if (inkIsOf(picture)) return ink_;
    const QImage& argb = premultiplied(picture);
    inkKey_ = argb.cacheKey();
    inkSize_ = argb.size();
    ink_.clear();
    cells_ = InkCells(reinterpret_cast<const std::uint32_t*>(argb.constBits()),
                      argb.bytesPerLine() / 4, argb.width(), argb.height());
    // The farthest corner of an inked pixel, and the pixel a smooth turn reads beyond it.
    const double cx = argb.width() / 2.0, cy = argb.height() / 2.0;
    double furthest = 0.0;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        int left = 0, right = argb.width() - 1;
        while (left <= right && qAlpha(row[left]) == 0) ++left;
        while (right >= left && qAlpha(row[right]) == 0) --right;
        if (left > right) continue;
        const double dy = std::max(std::fabs(y - cy), std::fabs(y + 1 - cy));
        const double dx = std::max(std::fabs(left - cx), std::fabs(right + 1 - cx));
        furthest = std::max(furthest, std::hypot(dx, dy));
    }
    inkRadius_ = furthest > 0.0 ? furthest + 1.0 : 0.0;
    const QRect whole = argb.rect();
    for (int y = 0; y < argb.height(); y += kInkCell)
        for (int x = 0; x < argb.width(); x += kInkCell) {
            const QRect cell = QRect(x, y, kInkCell, kInkCell) & whole;
            if (cellHasInk(argb, cell))
                ink_.push_back(
                    cell.adjusted(-kSmoothReach, -kSmoothReach, kSmoothReach, kSmoothReach));
        }
    return ink_;
}

double TurnedPicture::inkRadius(const QImage& picture) {
    inkOf(picture);
    return inkRadius_;
}

QRegion TurnedPicture::cachedReach(const QImage& picture, const QTransform& placement, QSizeF area,
                                   qreal ratio) {
    // A turn's repaint is asked for with its reach, and then drawn: the same reach twice.
    if (reachAsked_.placement == placement && reachAsked_.area == area &&
        reachAsked_.ratio == ratio && reachAsked_.pictureRatio == picture.devicePixelRatio() &&
        inkIsOf(picture))
        return reachAsked_.region;
    reachAsked_ = {placement, area, ratio, picture.devicePixelRatio(),
                   computeReach(picture, placement, area, ratio)};
    return reachAsked_.region;
}

QRegion TurnedPicture::computeReach(const QImage& picture, const QTransform& placement, QSizeF area,
                                    qreal ratio) {
    // A whole number of device pixels to each grid cell, so that the clip falls on pixel edges.
    const int unitsPerCell = std::max(1, static_cast<int>(std::lround(kReachCell / ratio)));
    const int columns = static_cast<int>(std::ceil(area.width() / unitsPerCell));
    const int rows = static_cast<int>(std::ceil(area.height() / unitsPerCell));
    if (columns <= 0 || rows <= 0) return {};
    std::vector<char> reached(std::size_t(columns) * std::size_t(rows), 0);
    const QTransform fromPixels =
        QTransform::fromScale(1.0 / picture.devicePixelRatio(), 1.0 / picture.devicePixelRatio()) *
        placement;
    for (const QRect& cell : inkOf(picture)) {
        // One unit more for the antialiased edge and for rounding.
        const QRectF box = fromPixels.mapRect(QRectF(cell)).adjusted(-1.0, -1.0, 1.0, 1.0);
        if (!std::isfinite(box.left()) || !std::isfinite(box.right()) ||
            !std::isfinite(box.top()) || !std::isfinite(box.bottom()))
            return QRegion(QRect(QPoint(0, 0), area.toSize()));
        const int x0 =
            std::clamp(static_cast<int>(std::floor(box.left() / unitsPerCell)), 0, columns);
        const int x1 =
            std::clamp(static_cast<int>(std::ceil(box.right() / unitsPerCell)), 0, columns);
        const int y0 = std::clamp(static_cast<int>(std::floor(box.top() / unitsPerCell)), 0, rows);
        const int y1 =
            std::clamp(static_cast<int>(std::ceil(box.bottom() / unitsPerCell)), 0, rows);
        for (int y = y0; y < y1; ++y)
            std::fill_n(reached.begin() + std::ptrdiff_t(y) * columns + x0, x1 - x0, 1);
    }
    // One band per grid row, its runs left to right: the order QRegion keeps its rectangles in.
    std::vector<QRect> rects;
    for (int y = 0; y < rows; ++y) {
        const char* row = reached.data() + std::ptrdiff_t(y) * columns;
        for (int x = 0; x < columns;) {
            if (!row[x]) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < columns && row[x]) ++x;
            rects.emplace_back(start * unitsPerCell, y * unitsPerCell, (x - start) * unitsPerCell,
                               unitsPerCell);
        }
    }
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

QImage& TurnedPicture::areaImage(QSize device, QImage::Format format, qreal ratio) {
    // A turning dial's box changes size with its angle: the pixels are kept at the largest
    // size asked for, so that a turn allocates (and the kernel clears) nothing.
    if (store_.format() != format || store_.width() < device.width() ||
        store_.height() < device.height())
        store_ = QImage(device.expandedTo(store_.size()), format);
    if (turned_.size() != device || turned_.format() != format ||
        turned_.constBits() != store_.constBits()) {
        turned_ =
            QImage(store_.bits(), device.width(), device.height(), store_.bytesPerLine(), format);
    }
    turned_.setDevicePixelRatio(ratio);
    return turned_;
}

namespace {

QTransform placementOf(QSizeF pictureSize, QSizeF area, const QTransform& turn) {
    return QTransform::fromTranslate(-pictureSize.width() / 2.0, -pictureSize.height() / 2.0) *
           turn * QTransform::fromTranslate(area.width() / 2.0, area.height() / 2.0);
}

// The device pixels under a rectangle in the area's units.
QRect devicePixels(const QRect& r, qreal ratio, const QSize& device) {
    const QRect pixels(QPoint(static_cast<int>(std::floor(r.left() * ratio)),
                              static_cast<int>(std::floor(r.top() * ratio))),
                       QPoint(static_cast<int>(std::ceil((r.right() + 1) * ratio)) - 1,
                              static_cast<int>(std::ceil((r.bottom() + 1) * ratio)) - 1));
    return pixels & QRect(QPoint(0, 0), device);
}

// The device pixels under a region in the area's units.
QRegion devicePixels(const QRegion& region, qreal ratio, const QSize& device) {
    if (ratio == 1.0) return region & QRect(QPoint(0, 0), device);
    QRegion pixels;
    for (const QRect& r : region) pixels += devicePixels(r, ratio, device);
    return pixels;
}

// Where the picture's pixels land in the area's device pixels.
QTransform pictureToDevice(const QImage& picture, const QTransform& placement, qreal ratio) {
    const qreal unit = 1.0 / picture.devicePixelRatio();
    return QTransform::fromScale(unit, unit) * placement * QTransform::fromScale(ratio, ratio);
}

// Turns a premultiplied picture onto pixels, inside clip (their pixels), placing its pixels by
// toDevice.
void turnOnto(const QImage& picture, const InkCells& cells, const QTransform& toDevice,
              SpanFiller::Pixels pixels, const QRegion& clip) {
    if (clip.isEmpty() || !toDevice.isInvertible()) return;  // flattened to nothing: no ink
    // Pixel centres on both sides: the centre of pixel (x, y) is (x + 0.5, y + 0.5).
    const QTransform centres = QTransform::fromTranslate(0.5, 0.5) * toDevice.inverted() *
                               QTransform::fromTranslate(-0.5, -0.5);
    std::vector<SpanFiller::Box> boxes;
    boxes.reserve(static_cast<std::size_t>(clip.rectCount()));
    for (const QRect& r : clip) boxes.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    SmoothTurn::draw(
        {reinterpret_cast<const std::uint32_t*>(picture.constBits()), picture.bytesPerLine() / 4,
         picture.width(), picture.height(), &cells},
        {centres.m11(), centres.m12(), centres.m21(), centres.m22(), centres.dx(), centres.dy()},
        pixels, boxes);
}

}  // namespace

bool TurnedPicture::drawInto(QPainter& painter, const QImage& picture, const QTransform& placement,
                             QSize device, qreal ratio, const QImage& beneath,
                             const QRegion& part) {
    // Straight into the image the painter paints (a window's backing store): the area's copy
    // and its second copy onto the window are saved. Only where the painter's image, its
    // transform (a whole-pixel offset, at the area's ratio) and its clip allow it.
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || painter.hasClipping()) return false;
    QPaintDevice* target = engine->paintDevice();
    if (!target || target->devType() != QInternal::Image) return false;
    const auto& image = *static_cast<const QImage*>(target);
    if (image.depth() != 32 || image.format() == QImage::Format_ARGB32) return false;
    const QTransform areaToDevice = painter.deviceTransform();
    if (areaToDevice.type() > QTransform::TxScale || areaToDevice.m11() != ratio ||
        areaToDevice.m22() != ratio || areaToDevice.dx() != std::floor(areaToDevice.dx()) ||
        areaToDevice.dy() != std::floor(areaToDevice.dy()))
        return false;
    const QPoint offset(static_cast<int>(areaToDevice.dx()), static_cast<int>(areaToDevice.dy()));
    QRegion pixels = devicePixels(part, ratio, device);  // of the area, in its device pixels
    pixels &= QRect(-offset, image.size());              // within the image
    const QRegion clip = engine->systemClip();
    if (!clip.isEmpty()) pixels &= clip.translated(-offset);
    const QRegion inked = devicePixels(drawnReach_, ratio, device) & pixels;
    // The painter holds the image's pixels unshared; bits() would detach them from it.
    uchar* bits = const_cast<uchar*>(image.constBits());
    copyPixels(beneath, pixels, bits, image.bytesPerLine(), offset);
    turnOnto(picture, inkCellsOf(picture),
             pictureToDevice(picture, placement, ratio) *
                 QTransform::fromTranslate(offset.x(), offset.y()),
             {reinterpret_cast<std::uint32_t*>(bits), image.bytesPerLine() / 4, image.width(),
              image.height()},
             inked.translated(offset));
    return true;
}

QRegion TurnedPicture::reach(const QImage& picture, QSizeF pictureSize, QSizeF area, qreal ratio,
                             const QTransform& turn) {
    return cachedReach(picture, placementOf(pictureSize, area, turn), area, ratio);
}

void TurnedPicture::draw(QPainter& painter, const QImage& given, QSizeF pictureSize, QSizeF area,
                         qreal ratio, const QTransform& turn, const QImage& beneath,
                         const QRegion& exposed) {
    const QImage& picture = premultiplied(given);
    const QTransform placement = placementOf(pictureSize, area, turn);
    drawnReach_ = cachedReach(picture, placement, area, ratio);
    const QSize device = (area * ratio).toSize();
    const bool onBeneath = !beneath.isNull() && beneath.size() == device && beneath.depth() == 32 &&
                           !beneath.hasAlphaChannel() && beneath.devicePixelRatio() == ratio;
    if (!beneath.isNull() && !onBeneath) painter.drawImage(QPointF(0.0, 0.0), beneath);
    if (turn.isIdentity() || device.isEmpty()) {  // nothing to sample between pixels
        if (onBeneath) painter.drawImage(QPointF(0.0, 0.0), beneath);
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setTransform(placement, true);
        painter.drawImage(QPointF(0.0, 0.0), picture);
        painter.restore();
        return;
    }
    // Only an opaque result can be put on the painter in parts: elsewhere it is blended whole.
    const QRect whole(QPoint(0, 0), area.toSize());
    const QRegion part = onBeneath && !exposed.isEmpty() ? exposed & whole : QRegion(whole);
    if (onBeneath && drawInto(painter, picture, placement, device, ratio, beneath, part)) return;
    // Into an image of the area, turned as a direct paint turns it, then put on the painter.
    QImage& turned = areaImage(
        device, onBeneath ? beneath.format() : QImage::Format_ARGB32_Premultiplied, ratio);
    if (onBeneath)
        copyPixels(beneath, devicePixels(part, ratio, device), turned.bits(),
                   turned.bytesPerLine());
    else
        turned.fill(Qt::transparent);
    turnOnto(picture, inkCellsOf(picture), pictureToDevice(picture, placement, ratio),
             {reinterpret_cast<std::uint32_t*>(turned.bits()), turned.bytesPerLine() / 4,
              turned.width(), turned.height()},
             devicePixels(drawnReach_ & part, ratio, device));
    if (part.rectCount() == 1) {
        painter.drawImage(QPointF(0.0, 0.0), turned);
        return;
    }
    // A rectangle at a time, each a plain copy: clipped to a region, Qt would blend span by span.
    for (const QRect& r : part) {
        painter.save();
        painter.setClipRect(r, Qt::IntersectClip);
        painter.drawImage(QPointF(0.0, 0.0), turned);
        painter.restore();
    }
}

const InkCells& TurnedPicture::inkCellsOf(const QImage& picture) {
    inkOf(picture);
    return cells_;
}

const QImage& TurnedPicture::premultiplied(const QImage& picture) {
    if (picture.format() == QImage::Format_ARGB32_Premultiplied) return picture;
    if (convertedFrom_ != picture.cacheKey()) {
        converted_ = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        convertedFrom_ = picture.cacheKey();
    }
    return converted_;
}

}  // namespace platform::qt
