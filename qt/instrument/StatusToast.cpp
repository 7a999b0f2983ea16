#include "qt/instrument/StatusToast.h"

#include <algorithm>

#include "qt/interface/WindowParts.h"

namespace platform::qt {

StatusToast::StatusToast(QWidget* window) : QLabel(window) {
    setObjectName(QStringLiteral("statusToast"));
    setWordWrap(true);
    setStyleSheet(
        QStringLiteral("color: #e8eef2; background: #2b3a42; border: 1px solid #05080a;"
                       " border-radius: 6px; padding: 6px 8px;"));
    setAttribute(Qt::WA_StyledBackground);
    hide();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &QWidget::hide);
}

void StatusToast::say(const QString& text) {
    setText(text);
    setAccessibleName(text);
    QWidget* window = parentWidget();
    const int margin = 10;
    const int width = window->width() - 2 * margin;
    const int height = heightForWidth(width);
    // Over the graph's foot: the graph is nothing to press, so the toast never covers a control,
    // whatever the size of the window and its text.
    int bottom = window->height() - 64;
    if (const QWidget* graph = WindowParts::of(window).named<QWidget>("graphView");
        graph && graph->isVisible()) {
        const QRect area(graph->mapTo(window, QPoint(0, 0)), graph->size());
        bottom = std::max(area.bottom() - 4, area.top() + height);
    }
    setGeometry(margin, bottom - height, width, height);
    show();
    raise();
    timer_.start(kShownMs);
}

void StatusToast::mousePressEvent(QMouseEvent*) {
    hide();
}

}  // namespace platform::qt
