#include "qt/widgets/NoSensorHint.h"

#include <QResizeEvent>
#include <memory>

#include "qt/widgets/UnderHeader.h"
#include "qt/widgets/WrapAtSpaces.h"

namespace platform::qt {

NoSensorHint::NoSensorHint(QWidget* parent) : QLabel(QString::fromUtf8(kText), parent) {
    setObjectName(QStringLiteral("noSensorHint"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);  // the option can be copied
    setStyleSheet(QStringLiteral("color: #ffb000;"));
    setAccessibleName(QStringLiteral("No magnetometer"));
}

void NoSensorHint::addTo(QWidget* screen) {
    auto hint = std::make_unique<NoSensorHint>();
    if (insertUnderHeader(screen, hint.get())) hint.release();  // the screen owns it now
}

void NoSensorHint::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    const QString text =
        wrapAtSpaces(QString::fromUtf8(kText), fontMetrics(), contentsRect().width());
    if (text != this->text()) setText(text);
}

}  // namespace platform::qt
