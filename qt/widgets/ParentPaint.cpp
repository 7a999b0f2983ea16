#include "qt/widgets/ParentPaint.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

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
        parent->render(&painter, QPoint(), QRegion(w->geometry()), QWidget::DrawWindowBackground);
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
