#include "qt/widgets/Backdrop.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <unordered_map>

namespace platform::qt {

namespace {

// Sent to a widget whose painting changed, and on to each of its ancestors, so that a picture
// holding it, or an ancestor of it, hears of it.
class ContentEvent : public QEvent {
  public:
    explicit ContentEvent(QWidget* origin) : QEvent(type()), origin_(origin) {}
    static Type type() {
        static const Type registered = static_cast<Type>(QEvent::registerEventType());
        return registered;
    }
    QWidget* origin() const { return origin_; }

  private:
    QWidget* origin_;
};

// Whether w paints every pixel of its area itself, so that nothing beneath it can show.
bool paintsItsWholeArea(const QWidget* w) {
    if (w->graphicsEffect()) return false;
    if (w->testAttribute(Qt::WA_OpaquePaintEvent)) return true;
    return w->autoFillBackground() && w->palette().brush(w->backgroundRole()).isOpaque();
}

// How many pictures are drawn from each widget: a new content is told only to those, as readouts
// change every frame and most of their ancestors are in no picture. Main thread only.
std::unordered_map<const QObject*, int>& layerUse() {
    static std::unordered_map<const QObject*, int> use;
    return use;
}

}  // namespace

Backdrop::Backdrop(QWidget* widget) : QObject(widget), widget_(widget) {
    widget->installEventFilter(this);
}

Backdrop::~Backdrop() {
    forgetLayers();
}

void Backdrop::contentChanged(QWidget* w) {
    const auto& use = layerUse();
    if (use.empty()) return;
    ContentEvent event(w);
    for (QWidget* p = w; p; p = p->isWindow() ? nullptr : p->parentWidget())
        if (use.count(p)) QCoreApplication::sendEvent(p, &event);
}

void Backdrop::forgetLayers() {
    auto& use = layerUse();
    for (const Layer& layer : layers_) {
        if (layer.widget) layer.widget->removeEventFilter(this);
        if (auto it = use.find(layer.key); it != use.end() && --it->second <= 0) use.erase(it);
    }
    layers_.clear();
}

QWidget* Backdrop::base() const {
    QWidget* widget = widget_;
    return widget->isWindow() || !widget->parentWidget() ? widget : widget->parentWidget();
}

QRect Backdrop::geometry() const {
    return base() == widget_ ? widget_->rect() : widget_->geometry();
}

std::vector<Backdrop::Layer> Backdrop::layersNow(QRect area) const {
    std::vector<Layer> layers;  // nearest first
    QWidget* const base = this->base();
    if (base == widget_) return layers;
    for (QWidget *child = widget_, *parent = base; parent;
         child = parent, parent = parent->parentWidget()) {
        const QObjectList& children = parent->children();
        for (auto i = children.indexOf(child) - 1; i >= 0; --i) {
            auto* sibling = qobject_cast<QWidget*>(children[i]);
            if (!sibling || sibling->isWindow() || sibling->isHidden()) continue;
            const QRect rect(base->mapFrom(parent, sibling->pos()), sibling->size());
            if (rect.intersects(area)) layers.push_back({sibling, rect, false});
        }
        layers.push_back(
            {parent, QRect(base->mapFrom(parent, QPoint(0, 0)), parent->size()), true});
        if (paintsItsWholeArea(parent) || parent->isWindow()) break;
    }
    std::reverse(layers.begin(), layers.end());
    return layers;
}

QImage Backdrop::beneath() {
    QWidget* widget = widget_;
    if (!widget) return picture_;
    const qreal ratio = widget->devicePixelRatioF();
    const QRect at = geometry();
    const bool again = !valid_ || picture_.devicePixelRatio() != ratio || !area_.contains(at) ||
                       layersNow(area_) != layers_;
    drawnInARow_ = again && changedSinceDrawn_ ? drawnInARow_ + 1 : 0;
    if (again) {
        // Two pixels to spare: a turning picture's box moves by a pixel as its centre rounds.
        const QSize size = at.size().expandedTo(reach_ + QSize(4, 4));
        QRect area(QPoint(0, 0), size);
        area.moveCenter(at.center());
        draw(area, layersNow(area), ratio);
    }
    // The widget's part of the picture, sharing its pixels.
    const QPoint offset = ((QPointF(at.topLeft() - area_.topLeft())) * ratio).toPoint();
    const QSize size = (QSizeF(at.size()) * ratio)
                           .toSize()
                           .boundedTo(picture_.size() - QSize(offset.x(), offset.y()));
    if (size.isEmpty() || offset.x() < 0 || offset.y() < 0) return QImage();
    QImage part(picture_.constScanLine(offset.y()) + offset.x() * 4, size.width(), size.height(),
                picture_.bytesPerLine(), picture_.format());
    part.setDevicePixelRatio(ratio);
    return part;
}

void Backdrop::draw(QRect area, std::vector<Layer> layers, qreal ratio) {
    QWidget* widget = widget_;
    forgetLayers();
    layers_ = std::move(layers);
    changedSinceDrawn_ = false;
    for (const Layer& layer : layers_) {
        layer.widget->installEventFilter(this);
        ++layerUse()[layer.key];
    }
    area_ = area;

    picture_ = QImage((QSizeF(area.size()) * ratio).toSize(), QImage::Format_RGB32);
    picture_.setDevicePixelRatio(ratio);
    // Opaque from the start: a pixel that no ancestor paints (outside a rounded frame) would
    // otherwise show whatever memory held.
    picture_.fill(widget->window()->palette().color(QPalette::Window));
    QPainter on(&picture_);
    for (const Layer& layer : layers_) {
        // Only the lowest fills its whole rectangle; an ancestor above it paints what its style
        // paints (a rounded frame leaves its corners to what lies beneath), a sibling paints
        // itself and its children. The area's corner lands on the picture's.
        QWidget::RenderFlags flags =
            layer.ancestor ? QWidget::RenderFlags() : QWidget::DrawChildren;
        if (&layer == &layers_.front()) flags |= QWidget::DrawWindowBackground;
        layer.widget->render(&on, QPoint(), QRegion(area.translated(-layer.rect.topLeft())), flags);
    }
    // Anything drawn through an effect (a screen fading in or out) is right only for this paint.
    valid_ = std::none_of(layers_.begin(), layers_.end(),
                          [](const Layer& l) { return l.widget->graphicsEffect() != nullptr; });
}

void Backdrop::changed() {
    valid_ = false;
    changedSinceDrawn_ = true;
    lastChange_ = std::chrono::steady_clock::now();
}

bool Backdrop::worthKeeping() const {
    using namespace std::chrono_literals;
    return drawnInARow_ < 3 || std::chrono::steady_clock::now() - lastChange_ > 500ms;
}

QRect Backdrop::drawnPart(const Layer& layer, const QWidget* changed) const {
    // An ancestor is drawn alone; a sibling with everything in it.
    if (changed == widget_ || (layer.ancestor && changed != layer.widget)) return {};
    if (changed == layer.widget) return layer.rect;
    if (!layer.widget->isAncestorOf(changed)) return {};
    QWidget* base = this->base();
    return QRect(base->mapFrom(base->window(), changed->mapTo(changed->window(), QPoint())),
                 changed->size());
}

bool Backdrop::eventFilter(QObject* watched, QEvent* event) {
    if (!widget_) return false;
    const QEvent::Type type = event->type();
    if (watched == widget_) {
        if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::ParentChange) changed();
        return false;
    }
    const auto layer = std::find_if(layers_.begin(), layers_.end(),
                                    [&](const Layer& l) { return l.widget == watched; });
    if (layer == layers_.end()) return false;
    // Qt repaints nothing under an opaque widget, nor the widget for a change beneath it (under
    // a see-through one it repaints both). A change in the picture's margin only waits for the
    // widget's next paint.
    const auto changedBeneath = [this](QRect part) {
        if (!part.intersects(area_)) return;
        changed();
        if (part.intersects(geometry()) && widget_->testAttribute(Qt::WA_OpaquePaintEvent))
            widget_->update();
    };
    // Where the layer lay when drawn, and where it lies now.
    const auto whole = [&] {
        QWidget* now = layer->widget;
        return layer->rect.united(QRect(
            base()->mapFrom(base()->window(), now->mapTo(now->window(), QPoint())), now->size()));
    };
    switch (type) {
        case QEvent::StyleChange:
        case QEvent::PaletteChange:
        case QEvent::FontChange:
        case QEvent::Polish:
        case QEvent::EnabledChange:
        case QEvent::Resize:
        case QEvent::Move:
        case QEvent::Show:
        case QEvent::Hide:
            changedBeneath(whole());
            break;
        // A control beneath shows its pointer, focus and input state (a slider dragged); an
        // ancestor passes on the input of its children (the widget itself dragged).
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (!layer->ancestor) changedBeneath(whole());
            break;
        default:
            if (type == ContentEvent::type())
                changedBeneath(drawnPart(*layer, static_cast<ContentEvent*>(event)->origin()));
            break;
    }
    return false;
}

}  // namespace platform::qt
