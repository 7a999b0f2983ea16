#pragma once

#include <QLabel>

namespace platform::qt {

// The line under a screen's title that tells someone without a magnetometer how to see the meter
// work: the alert says what is missing, this says what to try.
class NoSensorHint : public QLabel {
    Q_OBJECT
  public:
    static constexpr const char* kText =
        "No magnetometer found \u2014 try --heading-source=simulated";

    explicit NoSensorHint(QWidget* parent = nullptr);

    // Puts one under the title row of screen, when it has one.
    static void addTo(QWidget* screen);

  protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace platform::qt
