#include "qt/widgets/ViewHostWidget.h"

#include <QPaintEvent>
#include <QPainter>

#include "qt/drawing/NoDataContext.h"
#include "qt/drawing/PainterContext.h"
#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

ViewHostWidget::ViewHostWidget(QWidget* parent) : QWidget(parent), backdrop_(new Backdrop(this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QRegion ViewHostWidget::changingRegion(const View& view) const {
    if (showsNoData_ || !view.transform().isIdentity()) return {};
    return RepaintRegion::regionOf(view.changingAreas()) & rect();
}

void ViewHostWidget::redisplay() {
    auto view = view_.lock();
    update(repaint_.toRepaint(view ? changingRegion(*view) : QRegion(), rect()));
}

void ViewHostWidget::paintEvent(QPaintEvent* event) {
    auto view = view_.lock();
    ++paints_;
    // A change that came after this repaint was asked for shows in full next frame.
    const QRegion rest =
        repaint_.painted(event->region(), view ? changingRegion(*view) : QRegion(), rect());
    if (!rest.isEmpty()) update(rest);
    QPainter painter(this);
    backdrop_->paintUnder(painter);
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
