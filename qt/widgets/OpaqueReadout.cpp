#include "qt/widgets/OpaqueReadout.h"

#include <QEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

namespace platform::qt {

namespace {

OpaqueReadout* readoutOf(const QWidget* w) {
    for (QObject* child : w->children())
        if (auto* readout = dynamic_cast<OpaqueReadout*>(child)) return readout;
    return nullptr;
}

// What the style (a style sheet's background or border) paints under w.
void paintStyledBackground(QWidget* w, QPainter& painter) {
    QStyleOption option;
    option.initFrom(w);
    w->style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, w);
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

bool OpaqueReadout::styledBackgroundIsEmpty(QWidget* w) {
    if (emptyStyledBackground_) return *emptyStyledBackground_;
    QImage probe(w->size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    probe.fill(Qt::transparent);
    {
        QPainter painter(&probe);
        paintStyledBackground(w, painter);
    }
    bool empty = true;
    for (int y = 0; y < probe.height() && empty; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(probe.constScanLine(y));
        empty = std::all_of(row, row + probe.width(), [](QRgb p) { return p == 0; });
    }
    emptyStyledBackground_ = empty;
    return empty;
}

bool OpaqueReadout::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w) return false;
    // What the style draws under the widget may change with these (a style sheet's states
    // included).
    switch (event->type()) {
        case QEvent::StyleChange:
        case QEvent::PaletteChange:
        case QEvent::Polish:
        case QEvent::Resize:
        case QEvent::EnabledChange:
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
            emptyStyledBackground_.reset();
            break;
        default:
            break;
    }
    if (event->type() != QEvent::Paint || w->graphicsEffect() || suspended_) return false;
    // Qt clears the attribute again as a style sheet gives the widget its palette.
    if (!w->testAttribute(Qt::WA_OpaquePaintEvent)) w->setAttribute(Qt::WA_OpaquePaintEvent);
    auto* label = qobject_cast<QLabel*>(w);
    // A plain readout without a background of its own needs no painter at all.
    if (label && !w->autoFillBackground() &&
        (!w->testAttribute(Qt::WA_StyledBackground) || styledBackgroundIsEmpty(w)) &&
        glyphs_.paintDirectly(*label, backdrop_->beneath(),
                              static_cast<QPaintEvent*>(event)->region()))
        return true;
    QPainter painter(w);
    backdrop_->paintUnder(painter);
    // An opaque widget's own background is left to it: paint it as Qt would.
    if (w->autoFillBackground())
        painter.fillRect(w->rect(), w->palette().brush(w->backgroundRole()));
    if (w->testAttribute(Qt::WA_StyledBackground)) paintStyledBackground(w, painter);
    // A label whose text the glyphs cannot draw paints itself over it.
    return label && glyphs_.paint(painter, *label);
}

}  // namespace platform::qt
