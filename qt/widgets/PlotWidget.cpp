#include "qt/widgets/PlotWidget.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>
#include <utility>

#include "platform/DrawingContext.h"
#include "qt/drawing/LayerContext.h"
#include "qt/drawing/PainterContext.h"
#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

namespace {

// Turned about the centre, as the logic turns its views.
void turnAsTheView(QPainter& painter, const View& view, QSize size) {
    const AffineTransform t = view.transform();
    if (t.isIdentity()) return;
    const Size s = view.bounds().size;
    painter.translate(size.width() / 2.0, size.height() / 2.0);
    painter.setTransform(turnOf(t), true);
    painter.translate(-s.width / 2.0, -s.height / 2.0);
}

}  // namespace

PlotWidget::PlotWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PlotWidget::setView(std::weak_ptr<View> view) {
    view_ = std::move(view);
    kept_ = KeptPicture();  // a new view, a new scale
    update();
}

QRegion PlotWidget::changingRegion(const View& view) const {
    if (showsNoData_ || !view.transform().isIdentity()) return {};
    return RepaintRegion::regionOf(view.changingAreas()) & rect();
}

void PlotWidget::redisplay() {
    auto view = view_.lock();
    update(repaint_.toRepaint(view ? changingRegion(*view) : QRegion(), rect()));
}

void PlotWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (kept_.changedBy(event)) update();
}

QPixmap PlotWidget::scale(View& view) {
    const qreal ratio = devicePixelRatioF();
    const QString key = kept_.keyFor(this);
    QPixmap picture;
    if (QPixmapCache::find(key, &picture)) return picture;
    QImage image = parentPaint(this);
    if (image.isNull()) {
        // Nothing opaque beneath: the plot's own background alone, over the colour Qt fills
        // beneath it, that of the nearest widget that fills its background.
        const QWidget* filled = this;
        while (!filled->isWindow() && !filled->autoFillBackground() && filled->parentWidget())
            filled = filled->parentWidget();
        image = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(filled->palette().color(filled->backgroundRole()));
        QPainter painter(&image);
        QStyleOption option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    }
    {
        QPainter painter(&image);
        turnAsTheView(painter, view, size());
        PainterContext context(painter);
        LayerContext scaleOnly(context, PlotLayer::Scale);
        // Drawn as a redraw draws it, leaving the view's own redraw request alone.
        const CurrentContextScope current(scaleOnly);
        view.drawRect(view.bounds());
    }
    picture = QPixmap::fromImage(std::move(image));  // taken over, not copied
    QPixmapCache::insert(key, picture);
    return picture;
}

void PlotWidget::paintEvent(QPaintEvent* event) {
    auto view = view_.lock();
    ++paints_;
    // A change that came after this repaint was asked for shows in full next frame.
    const QRegion rest =
        repaint_.painted(event->region(), view ? changingRegion(*view) : QRegion(), rect());
    if (!rest.isEmpty()) update(rest);
    // A style sheet's polish takes the attribute away again: every pixel is painted here.
    if (!testAttribute(Qt::WA_OpaquePaintEvent)) setAttribute(Qt::WA_OpaquePaintEvent);
    QPainter painter(this);
    if (!view) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
        return;
    }
    painter.drawPixmap(0, 0, scale(*view));
    if (showsNoData_) return;
    turnAsTheView(painter, *view, size());
    PainterContext context(painter);
    LayerContext dataOnly(context, PlotLayer::Data);
    view->display(dataOnly);
}

}  // namespace platform::qt
