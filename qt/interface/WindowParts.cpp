#include "qt/interface/WindowParts.h"

#include <QWidget>

namespace platform::qt {

WindowParts::WindowParts(QWidget* window) : QObject(window) {
    // The one walk over the window the loader made.
    for (QObject* o : window->findChildren<QObject*>())
        if (!o->objectName().isEmpty() && !named_.contains(o->objectName()))
            named_.insert(o->objectName(), o);
}

WindowParts& WindowParts::of(QWidget* window) {
    if (auto* parts = window->findChild<WindowParts*>(QString(), Qt::FindDirectChildrenOnly))
        return *parts;
    return *new WindowParts(window);  // owned by the window
}

}  // namespace platform::qt
