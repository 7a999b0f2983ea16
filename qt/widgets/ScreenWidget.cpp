#include "qt/widgets/ScreenWidget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QTouchEvent>
#include <algorithm>

#include "qt/EndLoopOnException.h"
#include "qt/interface/WindowParts.h"
#include "qt/widgets/ScreenScaler.h"

namespace platform::qt {

ScreenWidget::ScreenWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_AcceptTouchEvents);
}

void ScreenWidget::setOverlay(QWidget* overlay) {
    overlay->setParent(this);
    cover(overlay);
    overlay->raise();
    overlay_ = overlay;
    emit overlaid(overlay);
}

void ScreenWidget::cover(QWidget* overlay) {
    // Fixed at this widget's size: a widget of fixed size does not pass its layout changes on
    // to its parent. The overlay is in no layout of ours, yet without this each new text on it
    // would lay out this screen and the window again, every frame.
    overlay->setFixedSize(size());
    overlay->move(0, 0);
}

bool ScreenWidget::isCovered(const QWidget* w) {
    const QWidget* below = nullptr;
    for (const QWidget* a = w; a; below = a, a = a->parentWidget()) {
        const auto* screen = qobject_cast<const ScreenWidget*>(a);
        if (!screen) continue;
        // The overlay fills the screen and paints its whole background (presentModal); while
        // it fades, its opacity effect lets the screen under it show.
        const QWidget* over = screen->overlay_;
        if (over && over != below && over->isVisible() && !over->graphicsEffect()) return true;
    }
    return false;
}

bool ScreenWidget::isOverlay(const QWidget* w) {
    const auto* screen = w ? qobject_cast<const ScreenWidget*>(w->parentWidget()) : nullptr;
    return screen && screen->overlay_ == w;
}

void ScreenWidget::raiseBelowOverlay(QWidget* w) {
    w->raise();
    const auto* screen = qobject_cast<const ScreenWidget*>(w->parentWidget());
    if (screen && screen->overlay_ && screen->overlay_->parentWidget() == screen)
        screen->overlay_->raise();
}

void ScreenWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (overlay_) cover(overlay_);
    if (ScreenScaler* scaler = ScreenScaler::of(this)) scaler->relayoutSoon();
}

QWidget* ScreenWidget::shownOverlay() const {
    return overlay_ && overlay_->parentWidget() == this && overlay_->isVisible() ? overlay_.data()
                                                                                 : nullptr;
}

bool ScreenWidget::focusNextPrevChild(bool next) {
    // The screen in front: the innermost shown overlay.
    QWidget* front = nullptr;
    for (const ScreenWidget* s = this; s;) {
        QWidget* over = s->shownOverlay();
        if (!over) break;
        front = over;
        s = qobject_cast<const ScreenWidget*>(over);
    }
    if (!front) return QWidget::focusNextPrevChild(next);
    // Around the Tab chain from the focused widget to the next one of the front screen's own.
    QWidget* from = QApplication::focusWidget();
    if (!from || !isAncestorOf(from)) from = front;
    for (QWidget* w = next ? from->nextInFocusChain() : from->previousInFocusChain(); w != from;
         w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
        if ((w == front || front->isAncestorOf(w)) && (w->focusPolicy() & Qt::TabFocus) &&
            w->isEnabled() && w->isVisibleTo(front)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;  // nothing else to go to: the focus stays where it is
}

void ScreenWidget::keyPressEvent(QKeyEvent* event) {
    if (QWidget* front = shownOverlay();
        front && event->key() == Qt::Key_Escape && !forwardingEscape_) {
        // The focus was left on this screen, under the one in front: Escape is for that one.
        // Unanswered there, it comes back up here, and stops.
        forwardingEscape_ = true;
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text());
        QCoreApplication::sendEvent(front, &copy);
        forwardingEscape_ = false;
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        for (auto* button : WindowParts::of(this).widgets<QAbstractButton>()) {
            // This screen's own, not one of a screen presented over it.
            const QWidget* screen = button->parentWidget();
            while (screen && !qobject_cast<const ScreenWidget*>(screen))
                screen = screen->parentWidget();
            if (screen == this && button->property("action").toString() == QLatin1String("done")) {
                button->click();
                return;
            }
        }
    }
    QWidget::keyPressEvent(event);
}

bool ScreenWidget::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            handleTouch(static_cast<QTouchEvent*>(event));
            event->accept();  // no mouse events are made up from these touches
            return true;
        case QEvent::Show:
        case QEvent::LayoutRequest:
            // Shown, or a row came or went (the signal banner, the statistics strip): the free
            // views (the dial) are fitted to their room again once the layouts are through.
            if (ScreenScaler* scaler = ScreenScaler::of(this)) scaler->relayoutSoon();
            return QWidget::event(event);
        default:
            return QWidget::event(event);
    }
}

void ScreenWidget::handleTouch(QTouchEvent* event) {
    if (event->type() == QEvent::TouchCancel) {
        fingers_.clear();
        return;
    }
    std::vector<QPointF> began;
    for (const QEventPoint& point : event->points()) {
        if (point.state() == QEventPoint::Pressed &&
            std::find(fingers_.begin(), fingers_.end(), point.id()) == fingers_.end()) {
            fingers_.push_back(point.id());
            began.push_back(point.position());
        }
    }
    if (!began.empty()) deliver(began, true);

    // Moves carry every finger still down, in the order they came down, so that a finger held
    // still still counts as the turn's first or second touch.
    bool anyMoved = false;
    std::vector<QPointF> down;
    for (int id : fingers_) {
        for (const QEventPoint& point : event->points()) {
            if (point.id() != id || point.state() == QEventPoint::Released) continue;
            down.push_back(point.position());
            anyMoved = anyMoved || point.state() == QEventPoint::Updated;
        }
    }
    if (anyMoved) deliver(down, false);

    for (const QEventPoint& point : event->points())
        if (point.state() == QEventPoint::Released)
            fingers_.erase(std::remove(fingers_.begin(), fingers_.end(), point.id()),
                           fingers_.end());
    if (event->type() == QEvent::TouchEnd) fingers_.clear();
}

void ScreenWidget::mousePressEvent(QMouseEvent* event) {
    if (dragging_ != Qt::NoButton) return;
    if (event->button() == Qt::LeftButton) {
        dragging_ = Qt::LeftButton;
        deliver({event->position()}, true);
    } else if (event->button() == Qt::RightButton) {
        dragging_ = Qt::RightButton;
        rightPress_ = event->position();
        deliver({rightPress_, rightPress_}, true);
    } else {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
}

void ScreenWidget::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ == Qt::LeftButton)
        deliver({event->position()}, false);
    else if (dragging_ == Qt::RightButton)
        deliver({rightPress_, event->position()}, false);
    else
        QWidget::mouseMoveEvent(event);
}

void ScreenWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == dragging_) dragging_ = Qt::NoButton;
    QWidget::mouseReleaseEvent(event);
}

void ScreenWidget::deliver(const std::vector<QPointF>& points, bool began) {
    std::shared_ptr<ViewController> screen = owner();
    if (!screen || !screen->isViewLoaded()) return;
    endLoopOnException([&] {
        const std::shared_ptr<View> root = screen->view();
        std::vector<Touch> touches;
        touches.reserve(points.size());
        for (const QPointF& p : points)
            touches.emplace_back(
                root->convertToRoot(Point{static_cast<float>(p.x()), static_cast<float>(p.y())}));
        const TouchSet set(std::move(touches));
        if (began)
            screen->touchesBegan(set, Event{});
        else
            screen->touchesMoved(set, Event{});
    });
}

}  // namespace platform::qt
