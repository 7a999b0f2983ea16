#include "platform/qt/widgets/OpaqueReadout.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace platform::qt {

namespace {

OpaqueReadout* readoutOf(const QWidget* w) {
    for (QObject* child : w->children())
        if (auto* readout = dynamic_cast<OpaqueReadout*>(child)) return readout;
    return nullptr;
}

}  // namespace

OpaqueReadout::OpaqueReadout(QWidget* w) : QObject(w), backdrop_(new Backdrop(w)) {
    w->setAttribute(Qt::WA_OpaquePaintEvent);
    w->installEventFilter(this);
}

void OpaqueReadout::attach(QWidget* w) {
    if (w && !readoutOf(w)) new OpaqueReadout(w);  // owned by w
}

void OpaqueReadout::setSuspended(QWidget* root, bool suspended) {
    if (!root) return;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (OpaqueReadout* readout = readoutOf(w)) {
            readout->suspended_ = suspended;
            w->setAttribute(Qt::WA_OpaquePaintEvent, !suspended);
        }
}

bool OpaqueReadout::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || event->type() != QEvent::Paint || w->graphicsEffect() || suspended_) return false;
    // Qt clears the attribute again as a style sheet gives the widget its palette.
    if (!w->testAttribute(Qt::WA_OpaquePaintEvent)) w->setAttribute(Qt::WA_OpaquePaintEvent);
    QPainter painter(w);
    backdrop_->paintUnder(painter);
    // An opaque widget's own background is left to it: paint it as Qt would.
    if (w->autoFillBackground())
        painter.fillRect(w->rect(), w->palette().brush(w->backgroundRole()));
    if (w->testAttribute(Qt::WA_StyledBackground)) {
        QStyleOption option;
        option.initFrom(w);
        w->style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, w);
    }
    // A label whose text the glyphs cannot draw paints itself over it.
    auto* label = qobject_cast<QLabel*>(w);
    return label && glyphs_.paint(painter, *label);
}

}  // namespace platform::qt
