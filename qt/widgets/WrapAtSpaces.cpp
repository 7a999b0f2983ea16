#include "qt/widgets/WrapAtSpaces.h"

#include <QStringList>

namespace platform::qt {

QString wrapAtSpaces(const QString& text, const QFontMetrics& metrics, int width) {
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

}  // namespace platform::qt
