#pragma once

#include <QAbstractButton>
#include <QObject>

class QWidget;

namespace platform::qt {

// Makes a screen work from the keyboard: every control takes focus with Tab; buttons click with
// Space, Enter or Return; the slider moves with the arrows and Page Up/Down (its own keys).
// Escape (the screen's root) and the dial's Home are their own widgets' keys.
class KeyboardAccess : public QObject {
    Q_OBJECT

  public:
    // Owned by root.
    static KeyboardAccess* attach(QWidget* root);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using QObject::QObject;
};

}  // namespace platform::qt
