#pragma once

#include <QObject>
#include <QPointer>

#include "qt/ac/AcScreen.h"

class QAbstractButton;
class QWidget;

namespace instrument {
class AcMonitor;
class Instrument;
}  // namespace instrument

namespace platform::qt {

// The meter's way into the AC view: an "AC" button beside the compass's and the key A. The view
// fades in over the meter as the compass does, and Done or Escape fades it out again.
class AcControl : public QObject {
    Q_OBJECT

  public:
    static constexpr const char* kShortcut = "A";

    // The view shows the field in the instrument's unit.
    AcControl(instrument::AcMonitor& monitor, const instrument::Instrument& instrument);
    ~AcControl() override;

    // Why the samples have ended, for the view (see AcScreen::setEnded).
    void setEnded(std::function<QString()> ended) { ended_ = std::move(ended); }

    // Adds the button and the key to the meter's window.
    void attachTo(QWidget* window);
    // Presents the view over the meter; nothing when it is open or something else covers the
    // meter.
    void open();
    void close();

    AcScreen* screen() const { return screen_; }
    QAbstractButton* button() const { return button_; }

  private:
    instrument::AcMonitor& monitor_;
    const instrument::Instrument& instrument_;
    QPointer<QAbstractButton> button_;
    QPointer<QWidget> meter_;  // the meter's screen, which the view covers
    QPointer<AcScreen> screen_;
    std::function<QString()> ended_;
    bool closing_ = false;
};

}  // namespace platform::qt
