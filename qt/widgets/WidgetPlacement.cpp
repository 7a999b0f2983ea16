// The widget side of a logic view: where its widget stands and how its picture turns.
//
// What goes wrong in the real world: the dial turns by a sensor's jitter at every sample, and a
// widget moved or repainted for a turn no one can see repaints everything beneath it; a turned
// view's bounding box changes size with every degree, so a widget that follows it uncovers and
// repaints its surroundings each time; the turned frame's centre wobbles by rounding from turn to
// turn; the logic can hand over a frame that is not finite or absurdly large; and a widget in a
// layout is placed by Qt, whose sizes the logic must learn to hit-test and plot with.
//
// How this file copes: a turn that moves no ink by half a device pixel is not drawn, and turns
// add up against the last one drawn, so the dial is never behind by more; a turning picture
// takes the square it sweeps about its centre, which stays put within a pixel of wobble; only
// finite frames under a million pixels are applied; a widget in a layout keeps the layout's
// place and is painted turned inside it, and the geometry Qt gives it is reported back to the
// view.

#include <QLayout>
#include <algorithm>
#include <cmath>

#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/TurningPicture.h"
#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

namespace {

// The widget that holds the view's superview, against which the view's centre is measured.
QWidget* referenceWidget(const View& view, const QWidget* widget) {
    if (View* super = view.superview())
        if (QWidget* w = WidgetPeer::widgetOf(super)) return w;
    return widget->isWindow() ? nullptr : widget->parentWidget();
}

// p, in from's coordinates, in to's; unchanged unless both are there and differ.
QPointF mapBetween(const QWidget* from, const QWidget* to, QPointF p) {
    return from && to && from != to ? to->mapFromGlobal(from->mapToGlobal(p)) : p;
}

}  // namespace

QTransform turnOf(const AffineTransform& t) {
    for (float v : {t.a, t.b, t.c, t.d})
        if (!std::isfinite(v)) return QTransform();
    return QTransform(t.a, t.b, t.c, t.d, 0.0, 0.0);
}

// Rotations only: turned, the picture stays inside the square its diagonal spans.
bool isPureTurn(const AffineTransform& t) {
    const double scale = double(t.a) * t.a + double(t.b) * t.b;
    return std::fabs(scale - 1.0) < 1e-4 && std::fabs(double(t.a) - t.d) < 1e-4 &&
           std::fabs(double(t.b) + t.c) < 1e-4;
}

// The side of the square a picture of these bounds sweeps as it turns about its centre.
int sweptSide(QSizeF bounds) {
    return static_cast<int>(std::ceil(std::hypot(bounds.width(), bounds.height())));
}

// Whether only overlays lie above w among its siblings: a dial placed again as it turns is
// mostly there already.
bool onTopOfSiblings(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    if (!parent) return true;
    const QObjectList& siblings = parent->children();
    for (auto it = siblings.rbegin(); it != siblings.rend(); ++it) {
        auto* s = qobject_cast<QWidget*>(*it);
        if (!s || s->isWindow()) continue;
        if (s == w) return true;
        if (!ScreenWidget::isOverlay(s)) return false;
    }
    return false;
}

QLayout* layoutHolding(QLayout* layout, const QObject* held, int* index) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        QLayout* inner = item->layout();
        if (item->widget() == held || (inner && inner == held)) {
            if (index) *index = i;
            return layout;
        }
        if (inner)
            if (QLayout* found = layoutHolding(inner, held, index)) return found;
    }
    return nullptr;
}

bool isInLayout(const QWidget* w) {
    const QWidget* parent = w ? w->parentWidget() : nullptr;
    return parent && parent->layout() && layoutHolding(parent->layout(), w);
}

void WidgetPeer::place(View& view) {
    QWidget* w = widget_;
    if (!w || w->isWindow()) return;
    // A turn too small to move any pixel of the picture by half a pixel is not drawn again: a
    // slow turn or a still device's jitter would otherwise redraw the dial, and everything
    // beneath it, every frame. Turns add up against the one last drawn, so the dial never falls
    // behind by more than that half pixel.
    auto* picture = qobject_cast<TurningPicture*>(w);
    const bool unseenTurn =
        picture && drawnTurn_ &&
        turnMovesLessThanHalfAPixel(*drawnTurn_, view.transform(), picture->inkRadius(),
                                    w->devicePixelRatioF());
    if (isInLayout(w)) {
        // The layout keeps the place; a turn is painted inside the widget.
        if (picture && !unseenTurn) turnPicture(view);
        return;
    }
    placedByLogic_ = true;
    const Rect frame = view.frame();
    const QPointF topLeft = mapBetween(referenceWidget(view, w), w->parentWidget(),
                                       QPointF(frame.origin.x, frame.origin.y));
    QRectF r(topLeft, QSizeF(frame.size.width, frame.size.height));
    // A turning picture takes the square it sweeps, about the same centre: its box no longer
    // changes with each turn, so a turn repaints where the picture was and is, not the whole box
    // and what it uncovers.
    const AffineTransform t = view.transform();
    const bool sweeps = picture && !t.isIdentity() && isPureTurn(t);
    const int side = sweptSide(QSizeF(view.bounds().size.width, view.bounds().size.height));
    if (std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) &&
        std::isfinite(r.height()) && std::fabs(r.x()) < 1e6 && std::fabs(r.y()) < 1e6 &&
        r.width() < 1e6 && r.height() < 1e6) {
        QRect box = r.toAlignedRect();
        if (sweeps) {
            const QPointF centre = r.center();
            const QPointF shown = QRectF(w->geometry()).center();
            // The turned frame's centre wobbles by rounding from turn to turn: the square stays
            // put unless it moved by more than that.
            if (w->size() == QSize(side, side) && std::fabs(shown.x() - centre.x()) <= 1.0 &&
                std::fabs(shown.y() - centre.y()) <= 1.0)
                box = w->geometry();
            else
                box = QRect(qRound(centre.x() - side / 2.0), qRound(centre.y() - side / 2.0), side,
                            side);
        }
        if (w->geometry() == box) {
            if (unseenTurn) return;
            // Where the picture was and is: only over siblings, or under nothing but overlays.
            if (picture && onTopOfSiblings(w)) {
                turnPicture(view);
                return;
            }
        }
        w->setGeometry(box);
    }
    if (picture) turnPicture(view);
    // A view the user moves rides above the laid-out ones, but never above a screen presented
    // over this one.
    if (!onTopOfSiblings(w)) ScreenWidget::raiseBelowOverlay(w);
    w->update();
}

void WidgetPeer::reportGeometry() {
    QWidget* w = widget_;
    auto view = view_.lock();
    if (!w || !view || placedByLogic_) return;
    const QPointF origin =
        w->isWindow() ? QPointF()
                      : mapBetween(w->parentWidget(), referenceWidget(*view, w), QPointF(w->pos()));
    const Size size{static_cast<float>(w->width()), static_cast<float>(w->height())};
    view->platformSetGeometry(Point{static_cast<float>(origin.x()) + size.width / 2.0f,
                                    static_cast<float>(origin.y()) + size.height / 2.0f},
                              size);
}

bool turnMovesLessThanHalfAPixel(const AffineTransform& drawn, const AffineTransform& now,
                                 double radius, qreal pixelRatio) {
    // A point at distance r from the centre moves by at most r times the largest stretch of
    // the difference of the two turns; a shift is drawn at the widget's place, not by the turn.
    const double da = double(now.a) - drawn.a, db = double(now.b) - drawn.b;
    const double dc = double(now.c) - drawn.c, dd = double(now.d) - drawn.d;
    const double squares = da * da + db * db + dc * dc + dd * dd;
    const double det = da * dd - db * dc;
    const double stretch =
        std::sqrt((squares + std::sqrt(std::max(0.0, squares * squares - 4.0 * det * det))) / 2.0);
    const double moved = stretch * radius * pixelRatio;
    return std::isfinite(moved) && moved < 0.5;  // a turn that is not finite is always drawn
}

void WidgetPeer::turnPicture(View& view) {
    auto* picture = qobject_cast<TurningPicture*>(widget_.data());
    if (!picture) return;
    // The bounds (untransformed size) are the view's; a laid-out widget's size is its bounds.
    const QSizeF bounds(view.bounds().size.width, view.bounds().size.height);
    picture->setPictureSize(placedByLogic_ && !bounds.isEmpty() ? bounds : QSizeF());
    const AffineTransform t = view.transform();
    drawnTurn_ = t;
    picture->turnTo(t.isIdentity() ? QTransform() : turnOf(t));
}

}  // namespace platform::qt
