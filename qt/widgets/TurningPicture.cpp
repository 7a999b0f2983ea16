#include "qt/widgets/TurningPicture.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QPixmapCache>
#include <cmath>

#include "qt/drawing/RepaintRegion.h"
#include "qt/widgets/ScreenScaler.h"

namespace platform::qt {

namespace {

// Rows of a turn's repaint are merged into bands this tall: a handful of copies per frame.
constexpr int kRepaintBand = 32;

}  // namespace

TurningPicture::TurningPicture(QWidget* parent) : QLabel(parent) {}

void TurningPicture::setMovable(bool movable) {
    movable_ = movable;
    setFocusPolicy(movable ? Qt::StrongFocus : Qt::NoFocus);
}

void TurningPicture::setPictureSize(QSizeF size) {
    if (size == pictureSize_) return;
    pictureSize_ = size;
    update();
}

QSizeF TurningPicture::pictureSize() const {
    const QSizeF room = pictureSize_.isEmpty() ? QSizeF(size()) : pictureSize_;
    const QPixmap& picture = pixmap();
    if (picture.isNull()) return room;
    return QSizeF(picture.size()).scaled(room, Qt::KeepAspectRatio);
}

QPixmap TurningPicture::scaled() {
    const QPixmap& picture = pixmap();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (pictureSize() * ratio).toSize();
    if (picture.isNull() || pixels.isEmpty()) return {};
    // Scaling a large picture down costs far more than turning it: once per size.
    const QString key = QStringLiteral("picture/%1/%2x%3")
                            .arg(picture.cacheKey())
                            .arg(pixels.width())
                            .arg(pixels.height());
    QPixmap result;
    if (!QPixmapCache::find(key, &result)) {
        result = QPixmap::fromImage(
            picture.toImage()
                .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                .scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        QPixmapCache::insert(key, result);
    }
    result.setDevicePixelRatio(ratio);
    return result;
}

double TurningPicture::inkRadius() {
    const QPixmap picture = scaled();
    if (picture.isNull()) return std::hypot(width(), height()) / 2.0;
    if (picture.cacheKey() == radiusOf_ && picture.size() == radiusAt_) return inkRadius_;
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const double cx = image.width() / 2.0, cy = image.height() / 2.0;
    double furthest = 0.0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 0)
                furthest = std::max(furthest, std::hypot(x + 0.5 - cx, y + 0.5 - cy));
    }
    radiusOf_ = picture.cacheKey();
    radiusAt_ = picture.size();
    // A pixel more for the smooth edge.
    inkRadius_ = (furthest + 1.0) / picture.devicePixelRatio();
    return inkRadius_;
}

QRegion TurningPicture::inkReach() {
    const double r = inkRadius() + 1.0;  // and one for rounding
    const QPointF centre = QRectF(rect()).center();
    const QRect circle = QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r).toAlignedRect();
    return RepaintRegion::inBands(QRegion(circle, QRegion::Ellipse), kRepaintBand) & rect();
}

void TurningPicture::turnTo(const QTransform& turn) {
    if (turn == turn_) return;
    turn_ = turn;
    // About the same centre the ink stays in the same circle, turned or not.
    update(inkReach());
}

void TurningPicture::paintEvent(QPaintEvent*) {
    const QPixmap picture = scaled();
    if (picture.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QSizeF size = pictureSize();
    painter.translate(width() / 2.0, height() / 2.0);
    if (!turn_.isIdentity()) painter.setTransform(turn_, true);
    painter.drawPixmap(QRectF(QPointF(-size.width() / 2.0, -size.height() / 2.0), size), picture,
                       QRectF(picture.rect()));
    if (hasFocus()) {
        // Where the keys go: a ring in the palette's highlight about the picture, inside the box.
        const double r = std::min(inkRadius(), std::min(width(), height()) / 2.0) - 1.5;
        painter.resetTransform();
        painter.setPen(QPen(palette().color(QPalette::Highlight), 3.0));
        painter.drawEllipse(QRectF(rect()).center(), r, r);
    }
}

void TurningPicture::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::StyleChange) update();
}

void TurningPicture::putBack() {
    if (ScreenScaler* scaler = ScreenScaler::of(this)) scaler->restore(this);
}

void TurningPicture::keyPressEvent(QKeyEvent* event) {
    if (movable_ && event->key() == Qt::Key_Home) {
        putBack();
        return;
    }
    QLabel::keyPressEvent(event);
}

void TurningPicture::mouseDoubleClickEvent(QMouseEvent* event) {
    if (movable_) {
        putBack();
        return;
    }
    QLabel::mouseDoubleClickEvent(event);
}

}  // namespace platform::qt
