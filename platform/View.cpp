#include "platform/View.h"

#include <algorithm>

#include "platform/DrawingContext.h"

namespace platform {

View::View() = default;

View::~View() {
    for (auto& child : subviews_) child->superview_ = nullptr;
}

Rect View::frame() const {
    const Rect local =
        makeRect(-size_.width / 2.0f, -size_.height / 2.0f, size_.width, size_.height);
    Rect turned = transform_.isIdentity() ? local : applyTransform(local, transform_);
    turned.origin.x += center_.x;
    turned.origin.y += center_.y;
    return turned;
}

void View::setFrame(const Rect& r) {
    size_ = r.size;
    center_ = Point{r.origin.x + r.size.width / 2.0f, r.origin.y + r.size.height / 2.0f};
    notify(ViewChange::Geometry);
}

void View::setCenter(Point center) {
    center_ = center;
    notify(ViewChange::Geometry);
}

void View::setTransform(const AffineTransform& transform) {
    transform_ = transform;
    notify(ViewChange::Transform);
}

void View::setHidden(bool hidden) {
    hidden_ = hidden;
    notify(ViewChange::Hidden);
}

void View::setBackgroundColor(const Color& color) {
    backgroundColor_ = color;
    notify(ViewChange::BackgroundColor);
}

void View::setNeedsDisplay() {
    // Only the first request since the last draw reaches the peer: later ones merge into it.
    if (needsDisplay_) return;
    needsDisplay_ = true;
    notify(ViewChange::Display);
}

void View::drawRect(const Rect&) {}

void View::display(DrawingContext& context) {
    needsDisplay_ = false;
    CurrentContextScope scope(context);
    drawRect(bounds());
}

void View::addSubview(const std::shared_ptr<View>& view) {
    if (!view || view.get() == this) return;
    std::shared_ptr<View> keep = view;
    keep->removeFromSuperview();
    keep->superview_ = this;
    subviews_.push_back(keep);
    notify(ViewChange::Subviews);
}

void View::removeFromSuperview() {
    View* parent = superview_;
    if (!parent) return;
    superview_ = nullptr;
    auto& siblings = parent->subviews_;
    auto it = std::find_if(siblings.begin(), siblings.end(),
                           [this](const std::shared_ptr<View>& v) { return v.get() == this; });
    if (it != siblings.end()) {
        std::shared_ptr<View> keep = *it;  // the sibling list may hold the last reference
        siblings.erase(it);
        parent->notify(ViewChange::Subviews);
    }
}

Point View::convertFromRoot(Point p) const {
    for (const View* v = this; v && v->superview_; v = v->superview_) {
        p.x -= v->center_.x - v->size_.width / 2.0f;
        p.y -= v->center_.y - v->size_.height / 2.0f;
    }
    return p;
}

Point View::convertToRoot(Point p) const {
    for (const View* v = this; v && v->superview_; v = v->superview_) {
        p.x += v->center_.x - v->size_.width / 2.0f;
        p.y += v->center_.y - v->size_.height / 2.0f;
    }
    return p;
}

void View::setPeer(std::shared_ptr<ViewPeer> peer) {
    peer_ = std::move(peer);
}

void View::platformSetGeometry(Point center, Size size) {
    center_ = center;
    size_ = size;
}

void View::notify(ViewChange change) {
    if (peer_) peer_->viewChanged(*this, change);
}

}  // namespace platform
