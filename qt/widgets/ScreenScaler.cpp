#include "qt/widgets/ScreenScaler.h"

#include <QEvent>
#include <QLayout>
#include <QLineF>
#include <QRegularExpression>
#include <QSpacerItem>
#include <algorithm>
#include <cmath>

#include "platform/Label.h"
#include "qt/interface/WindowParts.h"
#include "qt/widgets/ScreenWidget.h"
#include "qt/widgets/WidgetPeer.h"

namespace platform::qt {

namespace {

constexpr double kMaxScale = 4.0;

// Text is drawn again in twentieths, so that dragging a window's edge restyles the screen now
// and then rather than at every pixel.
double stepped(double scale) {
    return std::round(scale * 20.0) / 20.0;
}

bool isFree(const QWidget* w) {
    return !w->isWindow() && !isInLayout(w) && !ScreenWidget::isOverlay(w);
}

QList<QWidget*> freeChildren(const QWidget* w) {
    QList<QWidget*> free;
    for (QObject* c : w->children())
        if (auto* cw = qobject_cast<QWidget*>(c); cw && isFree(cw)) free.append(cw);
    return free;
}

// The spacer that shares the most room with group: the space the layout leaves the free views.
QSpacerItem* roomUnder(QLayout* layout, const QRect& group, long* best) {
    QSpacerItem* found = nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QLayout* inner = item->layout()) {
            if (QSpacerItem* s = roomUnder(inner, group, best)) found = s;
        } else if (QSpacerItem* spacer = item->spacerItem()) {
            const QRect shared = spacer->geometry() & group;
            const long area = shared.isEmpty() ? 0 : long(shared.width()) * shared.height();
            if (area > *best) {
                *best = area;
                found = spacer;
            }
        }
    }
    return found;
}

QString scaledSheet(const QString& sheet, double scale) {
    // Every length: text, padding, borders, the slider's handle, the switch.
    static const QRegularExpression size(QStringLiteral(R"((\d+(?:\.\d+)?)px)"));
    QString out;
    qsizetype last = 0;
    for (auto it = size.globalMatch(sheet); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += sheet.mid(last, m.capturedStart() - last);
        out += QStringLiteral("%1px").arg(qRound(m.captured(1).toDouble() * scale));
        last = m.capturedEnd();
    }
    out += sheet.mid(last);
    return out;
}

QFont scaledFont(QFont font, double scale) {
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, qRound(font.pixelSize() * scale)));
    else if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * scale);
    return font;
}

int pixelsOf(const QWidget* w) {
    const QFont f = w->font();
    if (f.pixelSize() > 0) return f.pixelSize();
    return qRound(f.pointSizeF() * w->logicalDpiY() / 72.0);
}

}  // namespace

ScreenScaler* ScreenScaler::attach(QWidget* root) {
    return new ScreenScaler(root);  // owned by root
}

ScreenScaler* ScreenScaler::of(const QWidget* w) {
    // Each screen's record holds its scaler: the nearest screen above w with one is w's.
    for (; w; w = w->parentWidget())
        if (const WindowParts* parts = WindowParts::find(w); parts && parts->scaler)
            return parts->scaler;
    return nullptr;
}

double ScreenScaler::fontScaleOf(const QWidget* w) {
    const ScreenScaler* scaler = of(w);
    return scaler ? scaler->fontScale_ : 1.0;
}

ScreenScaler::ScreenScaler(QWidget* root) : QObject(root), root_(root) {
    WindowParts& parts = WindowParts::of(root);
    parts.scaler = this;
    // Lay the screen out at its interface file's size: that is the design.
    if (QWidget* top = root->window(); top != root && top->layout()) top->layout()->activate();
    if (root->layout()) root->layout()->activate();
    design_ = root->size();

    QList<QWidget*> all = parts.widgets<QWidget>();
    all.prepend(root);
    const auto face = std::find_if(all.begin(), all.end(),
                                   [](const QWidget* w) { return !freeChildren(w).isEmpty(); });
    if (face != all.end()) {
        face_ = *face;
        if (face_->layout()) face_->layout()->activate();
        const QList<QWidget*> free = freeChildren(face_);
        QRect group;
        for (const QWidget* w : free) group |= w->geometry();
        long best = 0;
        room_ = face_->layout() ? roomUnder(face_->layout(), group, &best) : nullptr;
        designRoom_ = room_ ? room_->geometry() : face_->rect();
        if (designRoom_.isEmpty()) designRoom_ = face_->rect();
        // The group is centred in the room, as large as the room allows.
        designGroup_ = group;
        lastRoomCentre_ = QRectF(designRoom_).center();
        freeScale_ = fitOf(designRoom_);
        const QPointF groupCentre = QRectF(group).center();
        for (QWidget* w : free) {
            w->ensurePolished();
            const int font = !labelText(w).isEmpty() ? pixelsOf(w) : 0;
            free_.push_back(
                {w, QRectF(w->geometry()).center() - groupCentre, QSizeF(w->size()), font});
        }
        // Their design places, centred: the room is not where the file put them, quite.
        for (Free& f : free_)
            place(f, lastRoomCentre_ + f.offset * freeScale_, f.size * freeScale_);
    }

    sheetHolder_ = !root->styleSheet().isEmpty() ? root : root->window();
    if (sheetHolder_) sheet_ = sheetHolder_->styleSheet();
    // Each widget's own font, as styled: a font set on the screen does not reach widgets under a
    // style sheet, so each is scaled by itself.
    for (QWidget* w : parts.widgets<QWidget>()) {
        if (isFree(w)) continue;
        w->ensurePolished();
        ownFonts_.emplace_back(w, w->font());
        if (w->minimumSize() == w->maximumSize() && !w->minimumSize().isEmpty())
            fixedSizes_.emplace_back(w, w->minimumSize());  // the waves indicator
    }

    // The screen's root tells of its own resizes; the face is a plain widget in its layout.
    if (face_ && face_ != root) face_->installEventFilter(this);
}

QRect ScreenScaler::area() const {
    if (room_) return room_->geometry();
    return face_ ? face_->rect() : QRect();
}

bool ScreenScaler::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show) relayoutSoon();
    return false;
}

void ScreenScaler::relayoutSoon() {
    // The layouts place the widgets once the resize is through: look after them then.
    if (relayoutPosted_) return;
    relayoutPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            relayoutPosted_ = false;
            relayout();
        },
        Qt::QueuedConnection);
}

void ScreenScaler::relayout() {
    const QSize now = root_->size();
    if (now.isEmpty() || design_.isEmpty()) return;
    const double grow =
        std::min(double(now.width()) / design_.width(), double(now.height()) / design_.height());
    applyFontScale(stepped(std::clamp(grow, 1.0, kMaxScale)));
    if (!face_ || designRoom_.isEmpty()) return;

    if (root_->layout()) root_->layout()->activate();
    if (face_->layout()) face_->layout()->activate();
    const QRect room = area();
    const double k = fitOf(room);
    if (!(k > 0.05)) return;  // no room at all: leave them where they are
    const QPointF centre = QRectF(room).center();
    const double fontStep = stepped(k);
    for (Free& f : free_) {
        if (!f.widget) continue;
        const QPointF current = centreOf(f);
        const QPointF designed = lastRoomCentre_ + f.offset * freeScale_;
        QPointF next = centre + f.offset * k;
        // Moved by the user: keeps its place relative to the room.
        if (QLineF(current, designed).length() > 0.75)
            next = centre + (current - lastRoomCentre_) * (k / freeScale_);
        place(f, next, f.size * k);
        if (f.fontPixels > 0 && fontStep != freeFontScale_)
            f.widget->setStyleSheet(QStringLiteral("font-size: %1px;")
                                        .arg(std::max(1, qRound(f.fontPixels * fontStep))));
    }
    freeFontScale_ = fontStep;
    lastRoomCentre_ = centre;
    freeScale_ = k;
}

double ScreenScaler::fitOf(const QRect& room) const {
    if (designGroup_.isEmpty()) return 1.0;
    return std::min({double(room.width()) / designGroup_.width(),
                     double(room.height()) / designGroup_.height(), kMaxScale});
}

QPointF ScreenScaler::centreOf(const Free& f) const {
    if (WidgetPeer* peer = WidgetPeer::of(f.widget))
        if (auto view = peer->view()) {
            const QPointF origin = face_->mapTo(root_, QPoint(0, 0));
            return QPointF(view->center().x, view->center().y) - origin;
        }
    return QRectF(f.widget->geometry()).center();
}

void ScreenScaler::place(Free& f, QPointF centre, QSizeF size) {
    if (QLineF(centreOf(f), centre).length() < 0.01 &&
        std::fabs(f.widget->width() - size.width()) < 0.5 &&
        std::fabs(f.widget->height() - size.height()) < 0.5)
        return;
    if (WidgetPeer* peer = WidgetPeer::of(f.widget))
        if (auto view = peer->view()) {
            const QPointF c = centre + QPointF(face_->mapTo(root_, QPoint(0, 0)));
            view->platformSetGeometry(
                {static_cast<float>(c.x()), static_cast<float>(c.y())},
                {static_cast<float>(size.width()), static_cast<float>(size.height())});
            peer->viewChanged(*view, ViewChange::Geometry);
            return;
        }
    const QPointF corner = centre - QPointF(size.width() / 2.0, size.height() / 2.0);
    f.widget->setGeometry(QRectF(corner, size).toAlignedRect());
}

void ScreenScaler::adopt(QWidget* w) {
    w->ensurePolished();
    ownFonts_.emplace_back(w, w->font());
    if (fontScale_ != 1.0) w->setFont(scaledFont(w->font(), fontScale_));
}

void ScreenScaler::restore(QWidget* freeWidget) {
    for (Free& f : free_) {
        if (f.widget != freeWidget) continue;
        if (WidgetPeer* peer = WidgetPeer::of(f.widget))
            if (auto view = peer->view()) view->setTransform(AffineTransform{});
        place(f, lastRoomCentre_ + f.offset * freeScale_, f.size * freeScale_);
        return;
    }
}

void ScreenScaler::applyFontScale(double scale) {
    if (scale == fontScale_) return;
    fontScale_ = scale;
    if (sheetHolder_) sheetHolder_->setStyleSheet(scaledSheet(sheet_, scale));
    for (auto& [w, size] : fixedSizes_)
        if (w) w->setFixedSize((QSizeF(size) * scale).toSize());
    for (auto& [w, font] : ownFonts_) {
        if (!w) continue;
        // A label whose font the logic set keeps the logic's font, at the new scale.
        WidgetPeer* peer = WidgetPeer::of(w);
        auto view = peer ? peer->view() : nullptr;
        if (auto* label = dynamic_cast<Label*>(view.get()); label && !label->font().name.empty())
            peer->viewChanged(*view, ViewChange::Font);
        else
            w->setFont(scaledFont(font, scale));
    }
}

}  // namespace platform::qt
