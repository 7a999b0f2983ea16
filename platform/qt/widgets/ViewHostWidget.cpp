#include "platform/qt/widgets/ViewHostWidget.h"

#include <QPainter>

#include "platform/qt/drawing/NoDataContext.h"
#include "platform/qt/drawing/PainterContext.h"
#include "platform/qt/widgets/WidgetPeer.h"

namespace platform::qt {

ViewHostWidget::ViewHostWidget(QWidget* parent) : QWidget(parent), backdrop_(new Backdrop(this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ViewHostWidget::paintEvent(QPaintEvent*) {
    auto view = view_.lock();
    ++paints_;
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
