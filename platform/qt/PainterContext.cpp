#include "platform/qt/PainterContext.h"

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
    path_.clear();
    broken_ = true;
}

void PainterContext::moveToPoint(float x, float y) {
    if (!finite(x, y)) {
        broken_ = true;
        return;
    }
    path_.moveTo(clamped(x, y));
    broken_ = false;
}

void PainterContext::addLineToPoint(float x, float y) {
    if (!finite(x, y)) {
        broken_ = true;
        return;
    }
    if (broken_)
        path_.moveTo(clamped(x, y));
    else
        path_.lineTo(clamped(x, y));
    broken_ = false;
}

void PainterContext::strokePath() {
    painter_.strokePath(path_, painter_.pen());
    path_.clear();
    broken_ = true;
}

void PainterContext::setAllowsAntialiasing(bool allows) {
    painter_.setRenderHint(QPainter::Antialiasing, allows);
}

}  // namespace platform::qt
