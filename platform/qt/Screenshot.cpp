#include "platform/qt/Screenshot.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace platform::qt {

QImage screenshotOf(QWidget* window) {
    if (!window) return {};
    QImage picture = window->grab().toImage();
    QPainter painter(&picture);
    bool veiled = false;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(top);
        if (!box || !box->isVisible() || box->parentWidget() != window) continue;
        if (!veiled) {
            painter.fillRect(QRect(QPoint(0, 0), window->size()), QColor(0, 0, 0, 96));
            veiled = true;
        }
        const QPoint at = window->mapFromGlobal(box->mapToGlobal(QPoint(0, 0)));
        painter.drawPixmap(at, box->grab());
    }
    return picture;
}

}  // namespace platform::qt
