#include "platform/qt/PainterContext.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

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
    slanted_.reserve(256);
    QPen pen(Qt::black);
    pen.setWidthF(1.0);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    painter_.setRenderHint(QPainter::Antialiasing, true);
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
    if (!finite(x, y)) {
        broken_ = true;
        return;
    }
    current_ = clamped(x, y);
    broken_ = false;
}

void PainterContext::addLineToPoint(float x, float y) {
    if (!finite(x, y)) {
        broken_ = true;
        return;
    }
    const QPointF to = clamped(x, y);
    if (!broken_) segments_.append(QLineF(current_, to));
    current_ = to;
    broken_ = false;
}

void PainterContext::strokePath() {
    const QPen& pen = painter_.pen();
    const bool opaque = pen.style() == Qt::SolidLine && pen.brush().style() == Qt::SolidPattern &&
                        pen.color().alpha() == 255;
    if (opaque && pen.widthF() <= kSegmentWidth && pen.capStyle() == Qt::FlatCap) {
        const double half = pen.widthF() / 2.0;
        const bool upright = painter_.transform().type() <= QTransform::TxScale;
        slanted_.clear();
        for (const QLineF& s : std::as_const(segments_)) {
            if (upright && s.y1() == s.y2()) {
                painter_.fillRect(QRectF(QPointF(std::min(s.x1(), s.x2()), s.y1() - half),
                                         QPointF(std::max(s.x1(), s.x2()), s.y1() + half)),
                                  pen.color());
            } else if (upright && s.x1() == s.x2()) {
                painter_.fillRect(QRectF(QPointF(s.x1() - half, std::min(s.y1(), s.y2())),
                                         QPointF(s.x1() + half, std::max(s.y1(), s.y2()))),
                                  pen.color());
            } else {
                slanted_.append(s);
            }
        }
        painter_.drawLines(slanted_.constData(), static_cast<int>(slanted_.size()));
    } else {
        // Wide or see-through lines need their joins: the segments go back together into
        // subpaths, so that no pixel is covered twice.
        QPainterPath path;
        for (qsizetype i = 0; i < segments_.size(); ++i) {
            const QLineF& s = segments_[i];
            if (i == 0 || segments_[i - 1].p2() != s.p1()) path.moveTo(s.p1());
            path.lineTo(s.p2());
        }
        painter_.strokePath(path, pen);
    }
    segments_.clear();
    broken_ = true;
}

void PainterContext::setAllowsAntialiasing(bool allows) {
    painter_.setRenderHint(QPainter::Antialiasing, allows);
}

}  // namespace platform::qt
