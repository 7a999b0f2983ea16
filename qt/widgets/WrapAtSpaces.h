#pragma once

#include <QFontMetrics>
#include <QString>

namespace platform::qt {

// text in lines of at most width, broken at spaces only: Qt breaks a line after a hyphen too,
// which would cut an option such as --heading-source=simulated in two. A word wider than the
// line has a line of its own.
QString wrapAtSpaces(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace platform::qt
