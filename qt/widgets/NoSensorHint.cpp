#include "qt/widgets/NoSensorHint.h"

#include <QResizeEvent>
#include <QStringList>
#include <memory>

#include "qt/widgets/UnderHeader.h"

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

QString NoSensorHint::wrapped(const QString& text, const QFontMetrics& metrics, int width) {
    // Qt breaks a line after a hyphen too, which would cut the option in two: lines break at
    // spaces only, and a word wider than the line has one of its own.
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    lines << line;
    return lines.join(QLatin1Char('\n'));
}

void NoSensorHint::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    const QString text = wrapped(QString::fromUtf8(kText), fontMetrics(), contentsRect().width());
    if (text != this->text()) setText(text);
}

}  // namespace platform::qt
