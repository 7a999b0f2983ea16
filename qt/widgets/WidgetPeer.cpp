// The widget side of a logic view: what the logic changed, handed to the widget.
//
// What goes wrong in the real world: the logic sets a readout's text once a sample, a thousand
// times a second, while a display shows sixty frames, and most of the texts are the ones shown
// already (the compass empties its markers on every reading); a widget can go before its view
// (Qt deletes a screen's children) or a view before its widget; colours and font sizes come
// from arithmetic that can give NaN or absurd sizes; and the logic speaks in its own points
// while the window has grown past its design.
//
// How this file copes: each change is one bit held for the frame clock and applied once a frame
// from the view's latest state, so a burst of samples costs one update; an unchanged text is
// recognised without even a copy while the widget still shows the very string set last; the
// widget is held by a QPointer and the view weakly, so either may go first; colours are clamped
// to 0..1 and font sizes kept finite and in range. Where a widget stands and how it turns is
// WidgetPlacement.cpp's.

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

}  // namespace

QString labelText(const QWidget* w) {
    if (auto* readout = qobject_cast<const ReadoutLabel*>(w)) return readout->text();
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    return {};
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

}  // namespace platform::qt
