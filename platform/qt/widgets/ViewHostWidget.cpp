#include "platform/qt/widgets/ViewHostWidget.h"

#include <QEvent>
#include <QPainter>

#include "platform/qt/drawing/NoDataContext.h"
#include "platform/qt/drawing/PainterContext.h"
#include "platform/qt/widgets/WidgetPeer.h"

namespace platform::qt {

ViewHostWidget::ViewHostWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    if (parent) parent->installEventFilter(this);
}

bool ViewHostWidget::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Move:
        case QEvent::StyleChange:
        case QEvent::PaletteChange:
        case QEvent::ParentChange:
            backgroundValid_ = false;
            if (event->type() == QEvent::ParentChange && parentWidget())
                parentWidget()->installEventFilter(this);
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

bool ViewHostWidget::eventFilter(QObject* watched, QEvent* event) {
    // The parent's look is what the picture beneath holds.
    if (watched == parentWidget()) {
        const QEvent::Type type = event->type();
        if (type == QEvent::StyleChange || type == QEvent::PaletteChange ||
            type == QEvent::Resize || type == QEvent::Polish)
            backgroundValid_ = false;
    }
    return false;
}

const QPixmap& ViewHostWidget::background() {
    const qreal ratio = devicePixelRatioF();
    if (backgroundValid_ && background_.devicePixelRatio() == ratio) return background_;
    background_ = QPixmap((QSizeF(size()) * ratio).toSize());
    background_.setDevicePixelRatio(ratio);
    background_.fill(Qt::transparent);
    {
        // Each ancestor's own painting, outermost first, without its other children.
        QPainter painter(&background_);
        std::vector<QWidget*> chain;
        for (QWidget* w = parentWidget(); w; w = w->isWindow() ? nullptr : w->parentWidget())
            chain.push_back(w);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            QWidget* ancestor = *it;
            const QPoint at = mapTo(ancestor, QPoint(0, 0));
            // Only the outermost fills its whole rectangle; the others paint what their style
            // paints (a rounded frame leaves its corners to what lies beneath).
            ancestor->render(&painter, -at, QRegion(QRect(at, size())),
                             it == chain.rbegin() ? QWidget::DrawWindowBackground
                                                  : QWidget::RenderFlags());
        }
    }
    backgroundValid_ = true;
    return background_;
}

void ViewHostWidget::paintEvent(QPaintEvent*) {
    auto view = view_.lock();
    ++paints_;
    QPainter painter(this);
    painter.drawPixmap(0, 0, background());
    if (!view) return;
    const AffineTransform t = view->transform();
    if (!t.isIdentity()) {
        // Turned about the centre, as the logic turns its views.
        const Size s = view->bounds().size;
        painter.translate(width() / 2.0, height() / 2.0);
        painter.setTransform(turnOf(t), true);
        painter.translate(-s.width / 2.0, -s.height / 2.0);
    }
    PainterContext context(painter);
    if (showsNoData_) {
        NoDataContext scaleOnly(context);
        view->display(scaleOnly);
        return;
    }
    view->display(context);
}

}  // namespace platform::qt
