#pragma once

#include <QLabel>
#include <QTimer>

namespace platform::qt {

// A brief line over the foot of the window ("Saved 345 samples to …"), gone after a few
// seconds or at a click. It floats, so showing it never lays the screen out again.
class StatusToast : public QLabel {
    Q_OBJECT

  public:
    static constexpr int kShownMs = 6000;

    explicit StatusToast(QWidget* window);

    void say(const QString& text);
    // What it says now; empty when hidden.
    QString saying() const { return isHidden() ? QString() : text(); }

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QTimer timer_;
};

}  // namespace platform::qt
