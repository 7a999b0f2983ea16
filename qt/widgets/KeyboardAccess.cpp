#include "qt/widgets/KeyboardAccess.h"

#include <QAbstractSlider>
#include <QKeyEvent>
#include <QWidget>

#include "qt/interface/WindowParts.h"

namespace platform::qt {

KeyboardAccess* KeyboardAccess::attach(QWidget* root) {
    auto* keys = new KeyboardAccess(root);  // owned by root
    for (QWidget* w : WindowParts::of(root).widgets<QWidget>()) {
        if (qobject_cast<QAbstractSlider*>(w)) {
            w->setFocusPolicy(Qt::StrongFocus);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            button->setFocusPolicy(Qt::StrongFocus);
            button->installEventFilter(keys);
        }
    }
    return keys;
}

bool KeyboardAccess::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button || event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    button->animateClick();
    return true;
}

}  // namespace platform::qt
