#pragma once

#include <QColor>
#include <QMessageBox>

#include "platform/Alert.h"

namespace platform::qt {

// A modal alert drawn in the program's own colours, whatever the window's style sheet says of
// labels and buttons, with its text wrapped to fit the window it belongs to. A confirmation
// (the answer to something the user just did) carries an information icon; anything else, a
// warning. The box deletes itself when closed.
class AlertBox : public QMessageBox {
    Q_OBJECT

  public:
    AlertBox(const Alert& alert, bool confirmation, QWidget* window);

    // Opens it (not blocking) inside the window's width, centred over the window.
    void openOver();

    // The colours the text and background are drawn in, for checking their contrast.
    QColor textColor() const;
    QColor backgroundColor() const;

  protected:
    // QMessageBox sizes itself for the screen whenever it is shown or its style or text
    // changes; each time, it is brought back within the window.
    bool event(QEvent* event) override;

  private:
    void fitWithinWindow();
    bool fitting_ = false;
};

// WCAG 2 contrast ratio of two opaque colours, 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);

}  // namespace platform::qt
