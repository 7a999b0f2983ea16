#include "qt/widgets/ParentPaint.h"

#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <atomic>
#include <vector>

#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

KeptPicture::KeptPicture() {
    static std::atomic<quint64> ids{0};
    id_ = ++ids;
}

const QString& KeptPicture::keyFor(const QWidget* w) {
    // Placed in its window, so that a move of any ancestor between them counts too.
    const QWidget* window = w->window();
    const auto parts = std::tuple(QRect(w->mapTo(window, QPoint()), w->size()), window->size(),
                                  w->devicePixelRatioF(), generation_);
    if (parts == keyed_ && !key_.isEmpty()) return key_;
    keyed_ = parts;
    const QRect& area = std::get<0>(parts);
    key_ = QString::asprintf("kept/%llu/%d,%d,%dx%d/%dx%d/%g/%u", id_, area.x(), area.y(),
                             area.width(), area.height(), std::get<1>(parts).width(),
                             std::get<1>(parts).height(), std::get<2>(parts), generation_);
    return key_;
}

bool KeptPicture::changedBy(const QEvent* event) {
    switch (event->type()) {
        case QEvent::FontChange:
        case QEvent::StyleChange:
        case QEvent::PaletteChange:
        case QEvent::EnabledChange:
        case QEvent::ParentChange:
            ++generation_;
            return true;
        default:
            return false;
    }
}

QImage parentPaint(QWidget* w) {
    QWidget* parent = w->parentWidget();
    if (!parent || w->isWindow() || !isInLayout(w)) return {};
    // Qt paints beneath w the nearest ancestor that fills its background (or the window), then
    // each one between that and w paints itself; so does this picture, in that order.
    std::vector<QWidget*> beneath{parent};
    while (!beneath.back()->isWindow() && !beneath.back()->autoFillBackground())
        beneath.push_back(beneath.back()->parentWidget());
    const qreal ratio = w->devicePixelRatioF();
    QImage image((QSizeF(w->size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        for (auto a = beneath.rbegin(); a != beneath.rend(); ++a) {
            const QRegion area(QRect(w->mapTo(*a, QPoint()), w->size()));
            (*a)->render(
                &painter, QPoint(), area,
                *a == beneath.back() ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
        }
        // A style sheet's background and border for w, if any.
        QStyleOption option;
        option.initFrom(w);
        w->style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, w);
    }
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (!std::all_of(row, row + image.width(), [](QRgb p) { return qAlpha(p) == 255; }))
            return {};
    }
    return image;
}

void KeptPicture::paintBeneath(QWidget* w, QPainter& painter, const QRegion& region) {
    // Drawn through an effect (dimmed, or a screen fading), what lies beneath is painted by Qt
    // and must show through, not be covered by a picture of it.
    bool throughEffect = false;
    for (const QWidget* a = w; a && !throughEffect; a = a->parentWidget())
        throughEffect = a->graphicsEffect() != nullptr;
    QPixmap picture;
    if (!throughEffect && w->parentWidget() && !w->isWindow()) {
        const QString& key = keyFor(w);
        if (key != seeThroughAt_ && !QPixmapCache::find(key, &picture)) {
            if (const QImage image = parentPaint(w); image.isNull()) {
                seeThroughAt_ = key;
            } else {
                picture = QPixmap::fromImage(image);
                QPixmapCache::insert(key, picture);
            }
        }
    }
    // A rectangle at a time: Qt hands a copy of many rows to its threads and waits for them,
    // which costs more here than the copy.
    const qreal ratio = picture.devicePixelRatio();
    if (!picture.isNull())
        for (const QRect& r : region)
            painter.drawPixmap(r, picture,
                               QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
    if (w->testAttribute(Qt::WA_OpaquePaintEvent) == picture.isNull())
        w->setAttribute(Qt::WA_OpaquePaintEvent, !picture.isNull());
}

}  // namespace platform::qt
