#include "qt/widgets/FadeEffect.h"

#include <QPaintDevice>
#include <QPainter>

namespace platform::qt {

FadeEffect::FadeEffect(QObject* parent) : QGraphicsEffect(parent) {}

void FadeEffect::setOpacity(double opacity) {
    if (opacity == opacity_) return;
    opacity_ = opacity;
    update();
}

void FadeEffect::draw(QPainter* painter) {
    if (opacity_ >= 1.0) {
        drawSource(painter);
        return;
    }
    if (!(opacity_ > 0.0)) return;
    const QRectF bounds = sourceBoundingRect(Qt::LogicalCoordinates);
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (bounds.size() * ratio).toSize();
    if (pixels.isEmpty()) return;
    if (picture_.size() != pixels) picture_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    picture_.setDevicePixelRatio(ratio);
    picture_.fill(Qt::transparent);
    {
        QPainter into(&picture_);
        into.translate(-bounds.topLeft());
        drawSource(&into);  // another painter than the window's: the widget is rendered whole
    }
    painter->save();
    painter->setOpacity(opacity_);
    painter->drawImage(bounds.topLeft(), picture_);
    painter->restore();
}

}  // namespace platform::qt
