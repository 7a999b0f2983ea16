#include "qt/widgets/TurningPicture.h"

#include <QEvent>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <vector>

#include "qt/drawing/SmoothTurn.h"
#include "qt/widgets/ScreenScaler.h"

namespace platform::qt {

namespace {

// Rows of a turn's repaint are merged into bands this tall: a handful of copies per frame.
constexpr int kRepaintBand = 32;
// Pixels a side of the picture's cells that a turn's repaint is found from.
constexpr int kCell = 1 << InkCells::kShift;

// How far from the centre of a premultiplied picture its ink reaches, in its pixels: the
// farthest corner of an inked pixel, and the pixel a smooth turn reads beyond it.
double inkRadiusOf(const QImage& picture) {
    const double cx = picture.width() / 2.0, cy = picture.height() / 2.0;
    double furthest = -1.0;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        int left = 0, right = picture.width() - 1;
        while (left <= right && row[left] == 0) ++left;
        while (right >= left && row[right] == 0) --right;
        if (left > right) continue;
        const double dy = std::max(std::fabs(y - cy), std::fabs(y + 1 - cy));
        const double dx = std::max(std::fabs(left - cx), std::fabs(right + 1 - cx));
        furthest = std::max(furthest, std::hypot(dx, dy));
    }
    return furthest + 1.0;
}

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

void TurningPicture::setPictureFile(const QString& file) {
    file_ = file;
    QImageReader reader(file);
    natural_ = reader.size();
    if (natural_.isEmpty())
        qWarning("fluxprobe: cannot read the picture %s: %s", qPrintable(file),
                 qPrintable(reader.errorString()));
    scaled_ = {};
    update();
}

QSizeF TurningPicture::pictureSize() const {
    const QSizeF room = pictureSize_.isEmpty() ? QSizeF(size()) : pictureSize_;
    const QSize natural = file_.isEmpty() ? pixmap().size() : natural_;
    return natural.isEmpty() ? room : QSizeF(natural).scaled(room, Qt::KeepAspectRatio);
}

const TurningPicture::Scaled& TurningPicture::scaled() {
    const QPixmap& picture = pixmap();
    const qint64 from = file_.isEmpty() ? picture.cacheKey() : 0;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (pictureSize() * ratio).toSize();
    if ((file_.isEmpty() ? picture.isNull() : natural_.isEmpty()) || pixels.isEmpty()) {
        scaled_ = {};
        return scaled_;
    }
    if (!scaled_.image.isNull() && scaled_.from == from && scaled_.image.size() == pixels &&
        scaled_.image.devicePixelRatio() == ratio)
        return scaled_;
    // Scaling a picture costs far more than turning it: once per size.
    if (file_.isEmpty()) {
        scaled_.image = picture.toImage()
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                            .scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        QImageReader reader(file_);
        reader.setScaledSize(pixels);
        scaled_.image = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    if (scaled_.image.size() != pixels) {  // unreadable since: drawn as nothing
        scaled_ = {};
        return scaled_;
    }
    scaled_.image.setDevicePixelRatio(ratio);
    const QImage& image = scaled_.image;
    scaled_.ink = InkCells(reinterpret_cast<const std::uint32_t*>(image.constBits()),
                           image.bytesPerLine() / 4, image.width(), image.height());
    scaled_.radius = inkRadiusOf(image);
    scaled_.from = from;
    scaled_.inked.clear();
    for (int y = 0; y < image.height(); y += kCell)
        for (int x = 0; x < image.width(); x += kCell)
            if (!scaled_.ink.clear(x, y, x + kCell - 1, y + kCell - 1))
                scaled_.inked.push_back(QPointF(x, y) + QPointF(kCell + 1, kCell + 1) / 2.0);
    return scaled_;
}

double TurningPicture::inkRadius() {
    const Scaled& picture = scaled();
    if (picture.image.isNull()) return std::hypot(width(), height()) / 2.0;
    return picture.radius / picture.image.devicePixelRatio();
}

QRegion TurningPicture::inkReach() {
    const Scaled& picture = scaled();
    if (picture.image.isNull()) return rect();
    const QTransform placed = placement(picture.image);
    const auto key = std::tuple(placed, size(), picture.image.cacheKey());
    if (key == reachKey_) return reach_;
    // An inked cell's points, and those beyond that a sample at its edge reads, lie within
    // kCell + 2 pixels about its centre; turned, within these reaches, and a pixel for rounding.
    const qreal half = (kCell + 2) / 2.0;
    const qreal across = half * (std::fabs(placed.m11()) + std::fabs(placed.m21())) + 1.0;
    const qreal down = half * (std::fabs(placed.m12()) + std::fabs(placed.m22())) + 1.0;
    std::vector<QRect> bands(std::size_t(height() / kRepaintBand + 1));
    for (const QPointF& cell : picture.inked) {
        const QPointF c = placed.map(cell);
        const QRect r =
            QRectF(c.x() - across, c.y() - down, 2 * across, 2 * down).toAlignedRect() & rect();
        for (int b = r.top() / kRepaintBand; !r.isEmpty() && b <= r.bottom() / kRepaintBand;)
            bands[std::size_t(b++)] |= r;
    }
    reach_ = QRegion();
    for (int b = 0; b < int(bands.size()); ++b)
        reach_ += bands[std::size_t(b)] & QRect(0, b * kRepaintBand, width(), kRepaintBand);
    reachKey_ = key;
    return reach_;
}

void TurningPicture::turnTo(const QTransform& turn) {
    if (turn == turn_) return;
    const QRegion before = inkReach();
    turn_ = turn;
    update(before | inkReach());
}

QTransform TurningPicture::placement(const QImage& picture) const {
    // A pixel of the picture to a device pixel, centred; unturned, on whole device pixels.
    const qreal ratio = picture.devicePixelRatio();
    const QPointF centre(width() * ratio / 2.0, height() * ratio / 2.0);
    const QPointF half(picture.width() / 2.0, picture.height() / 2.0);
    const QTransform toDevice = turn_.isIdentity()
                                    ? QTransform::fromTranslate(std::round(centre.x() - half.x()),
                                                                std::round(centre.y() - half.y()))
                                    : QTransform::fromTranslate(-half.x(), -half.y()) * turn_ *
                                          QTransform::fromTranslate(centre.x(), centre.y());
    return toDevice * QTransform::fromScale(1.0 / ratio, 1.0 / ratio);
}

bool TurningPicture::turnInto(QPainter& painter, const Scaled& picture) {
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || painter.hasClipping() ||
        painter.opacity() != 1.0)
        return false;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return false;
    const auto& target = *static_cast<const QImage*>(device);
    if (target.format() != QImage::Format_RGB32 &&
        target.format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    // Whole device pixels to each of the widget's, as the picture was scaled for.
    const QTransform toDevice = painter.deviceTransform();
    const qreal ratio = picture.image.devicePixelRatio();
    if (toDevice.type() > QTransform::TxScale || toDevice.m11() != ratio ||
        toDevice.m22() != ratio || toDevice.dx() != std::floor(toDevice.dx()) ||
        toDevice.dy() != std::floor(toDevice.dy()))
        return false;
    const QTransform toPixels = placement(picture.image) * toDevice;
    // Unturned on whole pixels, Qt's plain blend is quicker than any sampling.
    if (toPixels.type() <= QTransform::TxTranslate && toPixels.dx() == std::floor(toPixels.dx()) &&
        toPixels.dy() == std::floor(toPixels.dy()))
        return false;
    if (!toPixels.isInvertible()) return true;  // flattened to nothing: no ink
    QRegion pixels = toDevice.map(inkReach()) & target.rect();
    if (const QRegion clip = engine->systemClip(); !clip.isEmpty()) pixels &= clip;
    // Pixel centres on both sides: the centre of pixel (x, y) is (x + 0.5, y + 0.5).
    const QTransform centres = QTransform::fromTranslate(0.5, 0.5) * toPixels.inverted() *
                               QTransform::fromTranslate(-0.5, -0.5);
    std::vector<SpanFiller::Box> boxes;
    boxes.reserve(static_cast<std::size_t>(pixels.rectCount()));
    for (const QRect& r : pixels)
        boxes.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    const QImage& image = picture.image;
    // The painter holds its image's pixels unshared; bits() would detach them from it.
    auto* bits = reinterpret_cast<std::uint32_t*>(const_cast<uchar*>(target.constBits()));
    SmoothTurn::draw(
        {reinterpret_cast<const std::uint32_t*>(image.constBits()), image.bytesPerLine() / 4,
         image.width(), image.height(), &picture.ink},
        {centres.m11(), centres.m12(), centres.m21(), centres.m22(), centres.dx(), centres.dy()},
        {bits, target.bytesPerLine() / 4, target.width(), target.height()}, boxes);
    return true;
}

void TurningPicture::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    kept_.paintBeneath(this, painter, event->region());
    const Scaled& picture = scaled();
    if (picture.image.isNull()) return;
    if (!turnInto(painter, picture)) {
        // Unturned, or onto a painter that scales or whose pixels are not in memory: by Qt.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.setRenderHint(QPainter::Antialiasing, true);
        const QTransform placed = placement(picture.image);
        painter.setTransform(placed, true);
        const QRectF whole(picture.image.rect());
        if (!turn_.isIdentity()) {
            painter.drawImage(whole, picture.image, whole);
        } else {
            // A band at a time: Qt hands a draw of many rows to its threads and waits for
            // them, which costs more here than the drawing.
            const QTransform back = placed.inverted();
            for (const QRect& r : event->region()) {
                const QRectF part = back.mapRect(QRectF(r)) & whole;
                if (!part.isEmpty()) painter.drawImage(part, picture.image, part);
            }
        }
    }
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        // Where the keys go, once they move the focus: a ring in the palette's highlight about
        // the picture, inside the box.
        const double r = std::min(inkRadius(), std::min(width(), height()) / 2.0) - 1.5;
        painter.resetTransform();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 3.0));
        painter.drawEllipse(QRectF(rect()).center(), r, r);
    }
}

void TurningPicture::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (kept_.changedBy(event)) update();
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
