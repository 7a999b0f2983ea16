#include "qt/widgets/UnderHeader.h"

#include <QBoxLayout>
#include <QWidget>

namespace platform::qt {

bool insertUnderHeader(QWidget* screen, QWidget* widget, Qt::Alignment alignment) {
    auto* header = screen->findChild<QHBoxLayout*>(QStringLiteral("headerRow"));
    auto* column = header ? qobject_cast<QBoxLayout*>(header->parent()) : nullptr;
    if (!column) return false;
    column->insertWidget(column->indexOf(header) + 1, widget, 0, alignment);
    return true;
}

}  // namespace platform::qt
