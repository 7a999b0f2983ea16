#include "qt/widgets/UnderHeader.h"

#include <QBoxLayout>
#include <QWidget>

#include "qt/interface/WindowParts.h"

namespace platform::qt {

bool insertUnderHeader(QWidget* screen, QWidget* widget, Qt::Alignment alignment) {
    auto* header = WindowParts::of(screen).named<QHBoxLayout>("headerRow");
    auto* column = header ? qobject_cast<QBoxLayout*>(header->parent()) : nullptr;
    if (!column) return false;
    column->insertWidget(column->indexOf(header) + 1, widget, 0, alignment);
    WindowParts::of(screen).add(widget);
    return true;
}

}  // namespace platform::qt
