#include "platform/qt/drawing/TurnedPicture.h"

#include <QSemaphore>
#include <QThreadPool>
#include <cstring>

namespace platform::qt {

void TurnedPicture::draw(QPainter& painter, const QImage& picture, QSizeF pictureSize, QSizeF area,
                         qreal ratio, const QTransform& turn, const QImage& beneath) {
    auto drawOn = [&](QPainter& p) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.translate(area.width() / 2.0, area.height() / 2.0);
        p.setTransform(turn, true);
        p.drawImage(QPointF(-pictureSize.width() / 2.0, -pictureSize.height() / 2.0), picture);
    };
    const QSize device = (area * ratio).toSize();
    const bool onBeneath = !beneath.isNull() && beneath.size() == device && beneath.depth() == 32 &&
                           !beneath.hasAlphaChannel() && beneath.devicePixelRatio() == ratio;
    if (!beneath.isNull() && !onBeneath) painter.drawImage(QPointF(0.0, 0.0), beneath);
    if (turn.isIdentity() || device.isEmpty()) {  // no spans to speak of
        if (onBeneath) painter.drawImage(QPointF(0.0, 0.0), beneath);
        painter.save();
        drawOn(painter);
        painter.restore();
        return;
    }
    const QImage::Format format =
        onBeneath ? beneath.format() : QImage::Format_ARGB32_Premultiplied;
    if (turned_.size() != device || turned_.format() != format) {
        turned_ = QImage(device, format);
        turned_.setDevicePixelRatio(ratio);
    }
    auto drawTurned = [&] {
        if (onBeneath) {  // row by row: beneath may be part of a larger picture
            const auto row = std::size_t(turned_.width()) * 4;
            for (int y = 0; y < turned_.height(); ++y)
                std::memcpy(turned_.scanLine(y), beneath.constScanLine(y), row);
        } else
            turned_.fill(Qt::transparent);
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
