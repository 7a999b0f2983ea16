#include "qt/Screenshot.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <cerrno>
#include <cstring>

#include "heading/AtomicFile.h"

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

std::string writeScreenshot(const QImage& picture, const std::string& path) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (picture.isNull() || !picture.save(&buffer, "PNG")) return "the window could not be drawn";

    if (const int error = heading::writeFileAtomically(
            path, std::string_view(png.constData(), static_cast<std::size_t>(png.size())),
            heading::Existing::Replace))
        return std::strerror(error);
    return {};
}

}  // namespace platform::qt
