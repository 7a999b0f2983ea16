#include "qt/drawing/PainterContext.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "qt/drawing/SpanFiller.h"

namespace platform::qt {

namespace {

bool finite(float x, float y) {
    return std::isfinite(x) && std::isfinite(y);
}

QPointF clamped(float x, float y) {
    const double far = PainterContext::kFarAway;
    return QPointF(std::clamp(static_cast<double>(x), -far, far),
                   std::clamp(static_cast<double>(y), -far, far));
}

float unit(float v) {
    return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f;
}

}  // namespace

PainterContext::PainterContext(QPainter& painter) : painter_(painter) {
    segments_.reserve(256);  // a trace of 150 points, without growing
    held_.lines.reserve(256);
    slanted_.reserve(256);
    QPen pen(Qt::black);
    pen.setWidthF(1.0);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    painter_.setRenderHint(QPainter::Antialiasing, true);
}

PainterContext::~PainterContext() {
    fillHeld();
}

void PainterContext::saveGState() {
    painter_.save();
}

void PainterContext::restoreGState() {
    painter_.restore();
}

void PainterContext::setLineWidth(float width) {
    QPen pen = painter_.pen();
    pen.setWidthF(std::isfinite(width) && width >= 0.0f ? static_cast<double>(width) : 1.0);
    painter_.setPen(pen);
}

void PainterContext::setGrayStrokeColor(float gray, float alpha) {
    const double g = unit(gray);
    setPenColor(QColor::fromRgbF(g, g, g, unit(alpha)));
}

void PainterContext::setRGBStrokeColor(float red, float green, float blue, float alpha) {
    setPenColor(QColor::fromRgbF(unit(red), unit(green), unit(blue), unit(alpha)));
}

void PainterContext::setPenColor(const QColor& color) {
    QPen pen = painter_.pen();
    pen.setColor(color);
    painter_.setPen(pen);
}

void PainterContext::beginPath() {
    segments_.clear();
    broken_ = true;
}

void PainterContext::moveToPoint(float x, float y) {
    broken_ = !finite(x, y);
    if (!broken_) current_ = clamped(x, y);
}

void PainterContext::addLineToPoint(float x, float y) {
    if (!finite(x, y)) {
        broken_ = true;
        return;
    }
    const QPointF to = clamped(x, y);
    if (!broken_) segments_.push_back({current_.x(), current_.y(), to.x(), to.y()});
    current_ = to;
    broken_ = false;
}

void PainterContext::strokePath() {
    const QPen& pen = painter_.pen();
    const bool opaque = pen.style() == Qt::SolidLine && pen.brush().style() == Qt::SolidPattern &&
                        pen.color().alpha() == 255;
    const bool thin = opaque && pen.widthF() <= kSegmentWidth && pen.capStyle() == Qt::FlatCap;
    if (thin && fillSegmentsDirectly(pen)) {
        // Held, to be filled without Qt's stroker.
    } else if (thin) {
        fillHeld();
        const double half = pen.widthF() / 2.0;
        const bool upright = painter_.transform().type() <= QTransform::TxScale;
        slanted_.clear();
        for (const SpanFiller::Line& s : segments_) {
            if (upright && s.y0 == s.y1) {
                painter_.fillRect(QRectF(QPointF(std::min(s.x0, s.x1), s.y0 - half),
                                         QPointF(std::max(s.x0, s.x1), s.y0 + half)),
                                  pen.color());
            } else if (upright && s.x0 == s.x1) {
                painter_.fillRect(QRectF(QPointF(s.x0 - half, std::min(s.y0, s.y1)),
                                         QPointF(s.x0 + half, std::max(s.y0, s.y1))),
                                  pen.color());
            } else {
                slanted_.append(QLineF(s.x0, s.y0, s.x1, s.y1));
            }
        }
        painter_.drawLines(slanted_.constData(), static_cast<int>(slanted_.size()));
    } else {
        fillHeld();
        // Wide or see-through lines need their joins: the segments go back together into
        // subpaths, so that no pixel is covered twice.
        QPainterPath path;
        for (std::size_t i = 0; i < segments_.size(); ++i) {
            const SpanFiller::Line& s = segments_[i];
            if (i == 0 || segments_[i - 1].x1 != s.x0 || segments_[i - 1].y1 != s.y0)
                path.moveTo(s.x0, s.y0);
            path.lineTo(s.x1, s.y1);
        }
        painter_.strokePath(path, pen);
    }
    segments_.clear();
    broken_ = true;
}

bool PainterContext::fillSegmentsDirectly(const QPen& pen) {
    if (pen.widthF() < 1.0 || painter_.testRenderHint(QPainter::Antialiasing) ||
        painter_.hasClipping())
        return false;
    const QPainter::CompositionMode mode = painter_.compositionMode();
    if (mode != QPainter::CompositionMode_SourceOver && mode != QPainter::CompositionMode_Source)
        return false;
    QPaintEngine* engine = painter_.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster) return false;
    // For a widget this is the window's backing-store image, which the engine paints into.
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return false;
    const QImage& image = *static_cast<const QImage*>(device);
    const QImage::Format format = image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied)
        return false;
    // Into device pixels: the widget's offset in the window and the screen's pixel ratio.
    const QTransform toDevice = painter_.deviceTransform();
    if (toDevice.type() > QTransform::TxScale || toDevice.m11() != toDevice.m22() ||
        !(toDevice.m11() > 0.0))
        return false;

    // The painter already holds the image's pixels unshared; bits() would detach them from it.
    SpanFiller::Pixels pixels{
        reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(image.constBits())),
        static_cast<std::ptrdiff_t>(image.bytesPerLine() / 4), image.width(), image.height()};
    const std::uint32_t pixel = pen.color().rgba();
    const double half = pen.widthF() * toDevice.m11() / 2.0;
    // An empty system clip means the whole device; a widget's paint is clipped to what it may
    // change, which may leave out what overlaps it.
    const QRegion clip = engine->systemClip();
    boxes_.clear();
    if (clip.isEmpty()) boxes_.push_back({0, 0, image.width(), image.height()});
    for (const QRect& r : clip)
        boxes_.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    // The filler places the segments as the transform would, without a call per point.
    const SpanFiller::Placement placement{toDevice.m11(), toDevice.dx(), toDevice.dy()};
    HeldStroke& h = held_;
    if (h.held && h.pixels.first == pixels.first && h.halfWidth == half &&
        h.placement == placement && h.boxes == boxes_ && h.lines == segments_) {
        h.pixel = pixel;  // the same pixels, all of them covered by this colour
        return true;
    }
    fillHeld();
    h.lines.swap(segments_);
    h.boxes.swap(boxes_);
    h.pixels = pixels;
    h.placement = placement;
    h.halfWidth = half;
    h.pixel = pixel;
    h.held = true;
    return true;
}

void PainterContext::fillHeld() {
    if (!held_.held) return;
    held_.held = false;
    // Painting ended before the context did: the image is no longer the painter's to change.
    if (!painter_.isActive()) return;
    SpanFiller(held_.pixels, held_.boxes)
        .fillLines(held_.lines, held_.placement, held_.halfWidth, held_.pixel);
}

void PainterContext::setAllowsAntialiasing(bool allows) {
    painter_.setRenderHint(QPainter::Antialiasing, allows);
}

}  // namespace platform::qt
