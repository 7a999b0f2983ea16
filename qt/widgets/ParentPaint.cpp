#include "qt/widgets/ParentPaint.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <atomic>

#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

KeptPicture::KeptPicture() {
    static std::atomic<quint64> ids{0};
    id_ = ++ids;
}

const QString& KeptPicture::keyFor(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    const auto parts = std::tuple(w->geometry(), parent ? parent->size() : QSize(),
                                  w->devicePixelRatioF(), generation_);
    if (parts == keyed_ && !key_.isEmpty()) return key_;
    keyed_ = parts;
    const QRect area = w->geometry();
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
    const qreal ratio = w->devicePixelRatioF();
    QImage image((QSizeF(w->size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        parent->render(&painter, QPoint(), QRegion(w->geometry()), QWidget::RenderFlags());
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

}  // namespace platform::qt
