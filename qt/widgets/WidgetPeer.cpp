#include "qt/widgets/WidgetPeer.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "platform/Button.h"
#include "platform/Label.h"
#include "platform/Slider.h"
#include "platform/Switch.h"
#include "qt/widgets/FrameClock.h"
#include "qt/widgets/PlotWidget.h"
#include "qt/widgets/ReadoutLabel.h"
#include "qt/widgets/ScreenScaler.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/TurningPicture.h"

namespace platform::qt {

namespace {

constexpr const char* kPeerProperty = "fluxprobePeer";

QColor toQColor(const Color& c) {
    auto unit = [](float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f; };
    return QColor::fromRgbF(unit(c.red), unit(c.green), unit(c.blue), unit(c.alpha));
}

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

QString labelText(const QWidget* w) {
    if (auto* readout = qobject_cast<const ReadoutLabel*>(w)) return readout->text();
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    return {};
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

WidgetPeer::WidgetPeer(const std::shared_ptr<View>& view, QWidget* widget, bool owning)
    : view_(view), widget_(widget), owning_(owning) {
    // Observed, not changed: the view keeps the size and place Qt's layouts give the widget.
    widget->installEventFilter(this);
    widget->setProperty(kPeerProperty, QVariant::fromValue(static_cast<QObject*>(this)));
}

WidgetPeer* WidgetPeer::of(const QWidget* widget) {
    if (!widget) return nullptr;
    return dynamic_cast<WidgetPeer*>(widget->property(kPeerProperty).value<QObject*>());
}

WidgetPeer::~WidgetPeer() {
    if (widget_) {
        widget_->removeEventFilter(this);
        if (of(widget_) == this) widget_->setProperty(kPeerProperty, QVariant());
        if (owning_) {
            // The view can go inside one of the widget's own signals (a button that dismisses
            // its screen): hide now, delete once that signal has returned.
            widget_->hide();
            widget_->deleteLater();
        }
    }
}

std::shared_ptr<WidgetPeer> WidgetPeer::attach(const std::shared_ptr<View>& view, QWidget* widget,
                                               bool owning) {
    auto peer = std::make_shared<WidgetPeer>(view, widget, owning);
    view->setPeer(peer);
    return peer;
}

QWidget* WidgetPeer::widgetOf(const View* view) {
    if (!view) return nullptr;
    auto* peer = dynamic_cast<WidgetPeer*>(view->peer());
    return peer ? peer->widget() : nullptr;
}

void WidgetPeer::viewChanged(View& view, ViewChange change) {
    // A fast source changes the same views many times a frame: once held, a change is held.
    // Checked first, as it is the common case: it needs nothing of the widget.
    const unsigned bit = 1u << static_cast<unsigned>(change);
    if (pending_ & bit) return;
    if (!widget_) return;
    // Redraw requests are merged by Qt already, unless the widget is covered: then its redraw
    // would repaint the covering screen. A new subview must be parented at once.
    // A view of the system's own tells what its redraw touches only once all the frame's
    // changes are in, so its redraw waits for the frame too.
    FrameClock* clock = FrameClock::current();
    if (clock && change != ViewChange::Subviews &&
        (change != ViewChange::Display || qobject_cast<PlotWidget*>(widget_) ||
         ScreenWidget::isCovered(widget_))) {
        if (pending_ == 0) clock->hold(this);
        pending_ |= bit;
        return;
    }
    apply(view, change);
}

void WidgetPeer::applyPending() {
    const unsigned changes = pending_;
    pending_ = 0;
    std::shared_ptr<View> view = view_.lock();
    if (!view || !widget_) return;
    // Geometry before transform, text before font: the order the logic set them in.
    for (ViewChange change : {ViewChange::Geometry, ViewChange::Transform, ViewChange::Hidden,
                              ViewChange::BackgroundColor, ViewChange::Text, ViewChange::Font,
                              ViewChange::Value, ViewChange::Display})
        if (changes & (1u << static_cast<unsigned>(change))) apply(*view, change);
}

void WidgetPeer::apply(View& view, ViewChange change) {
    QWidget* w = widget_;
    if (!w) return;
    switch (change) {
        case ViewChange::Text:
            if (auto* l = dynamic_cast<Label*>(&view)) {
                // The compass empties its markers on every reading; an unchanged text needs
                // nothing at all (not even a copy, while the widget still shows the very string
                // set last).
                if (l->text() == setText_ && labelText(w).constData() == shown_.constData()) break;
                setText_ = l->text();
                const QString text = QString::fromStdString(setText_);
                if (auto* readout = qobject_cast<ReadoutLabel*>(w))
                    readout->setText(text);
                else if (auto* label = qobject_cast<QLabel*>(w))
                    label->setText(text);
                shown_ = labelText(w);
            }
            break;
        case ViewChange::Font:
            if (auto* l = dynamic_cast<Label*>(&view)) {
                // Font sizes are in the logic's points, which are Qt's device-independent pixels,
                // grown with the screen when its window is larger than designed.
                QFont font(QString::fromStdString(l->font().name));
                const double size = l->font().size * ScreenScaler::fontScaleOf(w);
                if (std::isfinite(size) && size >= 1.0)
                    font.setPixelSize(static_cast<int>(std::lround(std::min(size, 4096.0))));
                w->setFont(font);
            }
            break;
        case ViewChange::Hidden:
            w->setVisible(!view.isHidden());
            break;
        case ViewChange::BackgroundColor: {
            const Color c = view.backgroundColor();
            if (c.alpha <= 0.0f) {
                w->setAutoFillBackground(false);
            } else {
                QPalette palette = w->palette();
                palette.setColor(QPalette::Window, toQColor(c));
                w->setPalette(palette);
                w->setAutoFillBackground(true);
            }
            break;
        }
        case ViewChange::Display:
            if (auto* host = qobject_cast<PlotWidget*>(w); host && FrameClock::current())
                host->redisplay();
            else
                w->update();
            break;
        case ViewChange::Geometry:
        case ViewChange::Transform:
            place(view);
            break;
        case ViewChange::Subviews:
            followSubviews(view);
            break;
        case ViewChange::Value:
            if (auto* slider = qobject_cast<QSlider*>(w)) {
                if (auto* s = dynamic_cast<Slider*>(&view)) {
                    const QSignalBlocker quiet(slider);
                    slider->setRange(static_cast<int>(std::lround(s->minimumValue())),
                                     static_cast<int>(std::lround(s->maximumValue())));
                    slider->setValue(static_cast<int>(std::lround(s->value())));
                }
            } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                if (auto* s = dynamic_cast<Switch*>(&view)) {
                    const QSignalBlocker quiet(button);
                    button->setChecked(s->isOn());
                }
            }
            break;
    }
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

void WidgetPeer::followSubviews(View& view) {
    QWidget* w = widget_;
    if (!w) return;
    for (const auto& child : view.subviews()) {
        QWidget* cw = widgetOf(child.get());
        if (!cw || w->isAncestorOf(cw)) continue;
        // A screen's root goes into the window: it fills the window's layout, or the window.
        if (QLayout* layout = w->layout()) {
            layout->addWidget(cw);
        } else {
            cw->setParent(w);
            cw->setGeometry(w->rect());
        }
        if (!child->isHidden()) cw->show();
        if (auto* peer = dynamic_cast<WidgetPeer*>(child->peer())) peer->reportGeometry();
    }
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

bool WidgetPeer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_) return false;
    switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            reportGeometry();
            break;
        default:
            break;
    }
    return false;
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
