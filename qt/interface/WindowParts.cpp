#include "qt/interface/WindowParts.h"

#include <QWidget>
#include <algorithm>

namespace platform::qt {

namespace {

// Every root's parts, found by the root: an object has no typed slot for what is hung on it.
std::vector<WindowParts*>& held() {
    static std::vector<WindowParts*> parts;
    return parts;
}

}  // namespace

WindowParts::WindowParts(QWidget* root) : QObject(root), root_(root) {
    // The one walk over what the loader made; Qt hands back only the top widget of a file.
    for (QObject* o : root->findChildren<QObject*>()) {
        if (!o->objectName().isEmpty() && !named_.contains(o->objectName()))
            named_.insert(o->objectName(), o);
        if (o->isWidgetType()) widgets_.push_back(static_cast<QWidget*>(o));
    }
    held().push_back(this);
}

WindowParts::~WindowParts() {
    auto& parts = held();
    parts.erase(std::remove(parts.begin(), parts.end(), this), parts.end());
}

WindowParts& WindowParts::of(QWidget* root) {
    if (WindowParts* parts = find(root)) return *parts;
    return *new WindowParts(root);  // owned by root
}

WindowParts* WindowParts::find(const QWidget* root) {
    for (WindowParts* parts : held())
        if (parts->root_ == root) return parts;
    return nullptr;
}

std::vector<WindowParts*> WindowParts::all() {
    return held();
}

void WindowParts::add(QWidget* widget) {
    widgets_.push_back(widget);
    if (!widget->objectName().isEmpty() && !named_.contains(widget->objectName()))
        named_.insert(widget->objectName(), widget);
}

QObject* WindowParts::object(const QString& name) const {
    return named_.value(name).data();
}

}  // namespace platform::qt
