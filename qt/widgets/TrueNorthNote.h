#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <functional>

class QAbstractButton;

namespace platform::qt {

class ReadoutLabel;

// On the compass, while true north is chosen and its heading shows "--.-°", a line under the
// title says why there is none ("no location: give --location=…"), so that the dashes are not
// taken for a fault.
class TrueNorthNote : public QLabel {
    Q_OBJECT

  public:
    static constexpr int kCheckEveryMs = 250;

    // why: the reason there is no true heading now, empty when there is one. Each compass the
    // meter screen of window presents gets a note of its own.
    static void attachTo(QWidget* window, std::function<QString()> why);

    TrueNorthNote(QWidget* compass, std::function<QString()> why);

    // What it says, in one line ("No true heading: …"); empty when hidden.
    QString saying() const { return said_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void check();
    void showText();

    QPointer<QWidget> compass_;
    QPointer<ReadoutLabel> heading_;
    QPointer<QAbstractButton> magnetic_;
    std::function<QString()> why_;
    QTimer timer_;
    QString said_;
};

}  // namespace platform::qt
