#include "platform/qt/widgets/Backdrop.h"

#include <QEvent>
#include <algorithm>
#include <vector>

namespace platform::qt {

Backdrop::Backdrop(QWidget* widget) : QObject(widget), widget_(widget) {
    widget->installEventFilter(this);
    watchParent();
}

void Backdrop::watchParent() {
    if (parent_) parent_->removeEventFilter(this);
    parent_ = widget_ ? widget_->parentWidget() : nullptr;
    if (parent_) parent_->installEventFilter(this);
}

bool Backdrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Resize:
        case QEvent::StyleChange:
        case QEvent::PaletteChange:
        case QEvent::Polish:
            valid_ = false;
            break;
        case QEvent::Move:
        case QEvent::ParentChange:
            if (watched == widget_) {
                valid_ = false;
                if (event->type() == QEvent::ParentChange) watchParent();
            }
            break;
        default:
            break;
    }
    return false;
}

void Backdrop::paintUnder(QPainter& painter) {
    QWidget* widget = widget_;
    if (!widget) return;
    const qreal ratio = widget->devicePixelRatioF();
    if (!valid_ || picture_.devicePixelRatio() != ratio) {
        picture_ = QPixmap((QSizeF(widget->size()) * ratio).toSize());
        picture_.setDevicePixelRatio(ratio);
        // Opaque from the start: the widget paints no background of its own, so a pixel that no
        // ancestor paints (outside a rounded frame) would otherwise show whatever memory held.
        picture_.fill(widget->window()->palette().color(QPalette::Window));
        QPainter on(&picture_);
        std::vector<QWidget*> chain;
        for (QWidget* w = widget->parentWidget(); w;
             w = w->isWindow() ? nullptr : w->parentWidget())
            chain.push_back(w);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            const QPoint at = widget->mapTo(*it, QPoint(0, 0));
            // Only the outermost fills its whole rectangle; the others paint what their style
            // paints (a rounded frame leaves its corners to what lies beneath).
            (*it)->render(
                &on, -at, QRegion(QRect(at, widget->size())),
                it == chain.rbegin() ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
        }
        // A screen fading in or out is drawn through its effect: such a picture is right only
        // for this paint.
        valid_ = std::none_of(chain.begin(), chain.end(),
                              [](const QWidget* w) { return w->graphicsEffect() != nullptr; });
    }
    painter.drawPixmap(0, 0, picture_);
}

}  // namespace platform::qt
