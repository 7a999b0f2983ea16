#include "qt/widgets/NoSensorHint.h"

#include <memory>

#include "qt/widgets/UnderHeader.h"

namespace platform::qt {

NoSensorHint::NoSensorHint(QWidget* parent) : QLabel(QString::fromUtf8(kText), parent) {
    setObjectName(QStringLiteral("noSensorHint"));
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);  // the option can be copied
    setStyleSheet(QStringLiteral("color: #ffb000;"));
    setAccessibleName(QStringLiteral("No magnetometer"));
}

void NoSensorHint::addTo(QWidget* screen) {
    auto hint = std::make_unique<NoSensorHint>();
    if (insertUnderHeader(screen, hint.get())) hint.release();  // the screen owns it now
}

}  // namespace platform::qt
