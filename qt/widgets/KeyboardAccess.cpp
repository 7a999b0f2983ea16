#include "qt/widgets/KeyboardAccess.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QKeyEvent>
#include <QWidget>

#include "qt/widgets/ScreenScaler.h"

namespace platform::qt {

namespace {

// The view the user moves and turns on the meter.
constexpr const char* kDialName = "fluxprobeview";

bool isDial(const QObject* o) {
    return o->objectName() == QLatin1String(kDialName);
}

void restoreDial(QWidget* dial) {
    if (ScreenScaler* scaler = ScreenScaler::of(dial)) scaler->restore(dial);
}

}  // namespace

KeyboardAccess* KeyboardAccess::attach(QWidget* root) {
    auto* keys = new KeyboardAccess(root);  // owned by root
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractSlider*>(w)) {
            w->setFocusPolicy(Qt::StrongFocus);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            button->setFocusPolicy(Qt::StrongFocus);
            button->installEventFilter(keys);
            if (button->property("action").toString() == QLatin1String("done")) {
                // A key no control takes comes up to the screen's root.
                keys->done_ = button;
                root->installEventFilter(keys);
            }
        } else if (isDial(w)) {
            w->setFocusPolicy(Qt::StrongFocus);
            w->installEventFilter(keys);
        }
    }
    return keys;
}

bool KeyboardAccess::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w) return false;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (auto* button = qobject_cast<QAbstractButton*>(w);
            button && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            button->animateClick();
            return true;
        }
        if (key == Qt::Key_Escape && done_ && !qobject_cast<QAbstractButton*>(w)) {
            done_->click();
            return true;
        }
        if (isDial(w) && key == Qt::Key_Home) {
            restoreDial(w);
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonDblClick && isDial(w)) {
        restoreDial(w);
        return true;
    }
    return false;
}

}  // namespace platform::qt
