#include "platform/qt/drawing/TurnedPicture.h"

#include <QSemaphore>
#include <QThreadPool>

namespace platform::qt {

void TurnedPicture::draw(QPainter& painter, const QImage& picture, QSizeF pictureSize, QSizeF area,
                         qreal ratio, const QTransform& turn) {
    auto drawOn = [&](QPainter& p) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.translate(area.width() / 2.0, area.height() / 2.0);
        p.setTransform(turn, true);
        p.drawImage(QPointF(-pictureSize.width() / 2.0, -pictureSize.height() / 2.0), picture);
    };
    const QSize device = (area * ratio).toSize();
    if (turn.isIdentity() || device.isEmpty()) {  // no spans to speak of
        painter.save();
        drawOn(painter);
        painter.restore();
        return;
    }
    if (turned_.size() != device) {
        turned_ = QImage(device, QImage::Format_ARGB32_Premultiplied);
        turned_.setDevicePixelRatio(ratio);
    }
    turned_.fill(Qt::transparent);
    auto drawTurned = [&] {
        QPainter p(&turned_);
        drawOn(p);
    };
    QSemaphore done;
    if (QThreadPool::globalInstance()->tryStart([&] {
            drawTurned();
            done.release();
        }))
        done.acquire();
    else
        drawTurned();  // the pool is busy: here, in parts
    painter.drawImage(QPointF(0.0, 0.0), turned_);
}

}  // namespace platform::qt
