#pragma once

#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QString>

namespace platform::qt {

// Sets a label's text the way a readout changes: in place. QLabel::setText invalidates the
// layout it sits in, which runs every layout up to the window again and shapes the text once more
// for the label's size hint; for a readout whose new value fits the room the layout already gave
// it, only the label's own contents are repainted. A text that may not fit (or a wrapping label)
// is set the ordinary way, so the layout can make room, and a readout keeps the widest room it was
// given until its font changes (room keeps what that needs, one per label). Returns whether the
// text changed.
struct ReadoutRoom {
    bool kept = false;   // the label's minimum width was raised for a wider text
    int ownMinimum = 0;  // what it was before
    QFont keptFor;       // the font it was raised for
};
bool setReadoutText(QLabel& label, const QString& text, ReadoutRoom& room);

// The layouts of the interface files: Qt's box, grid and form layouts that let a readout's text
// change in place. Null for any other class name.
QLayout* makeReadoutAwareLayout(const QString& className, QObject* parent);

}  // namespace platform::qt
