#include "platform/qt/ScreenWidget.h"

#include <QResizeEvent>

namespace platform::qt {

namespace {
constexpr const char* kOverlayProperty = "fluxprobeOverlay";
}

ScreenWidget::ScreenWidget(QWidget* parent) : QWidget(parent) {}

void ScreenWidget::setOverlay(QWidget* overlay) {
    overlay->setProperty(kOverlayProperty, true);
    overlay->setParent(this);
    overlay->setGeometry(rect());
    overlay->raise();
}

void ScreenWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (QObject* child : children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && w->property(kOverlayProperty).toBool()) w->setGeometry(rect());
    }
}

}  // namespace platform::qt
