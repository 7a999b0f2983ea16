#pragma once

#include <QAbstractButton>
#include <QObject>
#include <QPointer>

class QWidget;

namespace platform::qt {

// Makes a screen work from the keyboard: every control takes focus with Tab; buttons click with
// Space, Enter or Return; the slider moves with the arrows and Page Up/Down (its own keys);
// Escape presses the screen's "done" control when it has one; the dial can be focused and put
// back where it started with Home or a double-click.
class KeyboardAccess : public QObject {
    Q_OBJECT

  public:
    // Owned by root.
    static KeyboardAccess* attach(QWidget* root);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using QObject::QObject;

    QPointer<QAbstractButton> done_;  // pressed by Escape
};

}  // namespace platform::qt
