#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace platform::qt {

// Gives every widget of a screen a name and a description for screen readers. A readout says
// what it measures with its value and unit ("Total field, 48.3 microtesla").
void describeScreen(QWidget* root);

// Tells a listening screen reader that a readout's spoken name changed with its text (nothing
// for other labels, or when none listens).
void speakReadout(QLabel* label);

// What a screen reader says for a readout showing text: its spoken form (with %1 for the
// number in text) filled in, or "…, no reading" while it shows none.
QString spokenReadout(const QString& spokenForm, const QString& text);

}  // namespace platform::qt
