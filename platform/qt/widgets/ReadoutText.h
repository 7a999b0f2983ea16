#pragma once

#include <QLabel>
#include <QLayout>
#include <QString>

namespace platform::qt {

// Sets a label's text the way a readout changes: in place. QLabel::setText invalidates the
// layout it sits in, which runs every layout up to the window again and shapes the text once more
// for the label's size hint; for a readout whose new value is no longer than any it showed before,
// the place the layout gave it already fits, so only the label's own contents are repainted. A
// longer text (or a wrapping label) is set the ordinary way, so the layout can make room.
// widest is the length of the longest text the label has been given, kept by the caller.
// Returns whether the text changed.
bool setReadoutText(QLabel& label, const QString& text, qsizetype& widest);

// The layouts of the interface files: Qt's box, grid and form layouts that let a readout's text
// change in place. Null for any other class name.
QLayout* makeReadoutAwareLayout(const QString& className, QObject* parent);

}  // namespace platform::qt
