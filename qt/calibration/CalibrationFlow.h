#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

#include "heading/HeadingService.h"
#include "heading/HeadingSession.h"
#include "heading/calibration/CalibrationTap.h"

class QWidget;

namespace platform::qt {

class CalibrationScreen;

// Opens the guided calibration and keeps what it fits: in force at once, and stored for the
// sensor (or in --calibration-out's file). The meter offers it through a shortcut and a button
// of the platform's own in its header.
class CalibrationFlow : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kShortcut = "Ctrl+Shift+C";

    // The screen takes its samples through tap, the sample road's calibration station.
    CalibrationFlow(heading::HeadingService& service, heading::HeadingSession& session,
                    heading::calibration::CalibrationTap& tap);
    ~CalibrationFlow() override;

    // Where the strength a new calibration scales to comes from when the screen opens (the field
    // model at the user's location); without an answer, the session's reference field, else the
    // fitted ellipsoid's own radius.
    void setReferenceField(std::function<std::optional<double>()> reference) {
        reference_ = std::move(reference);
    }

    // Adds the shortcut and the header button to the meter's window.
    void attachTo(QWidget* window);
    // Shows the screen over the window it is attached to; nothing when it is open already.
    void open();
    // The screen opened last, open or closed, or null.
    CalibrationScreen* screen() const;

  signals:
    // A calibration is in force; message says where it was kept, or why it was not.
    void kept(const QString& message);

  private:
    void keep(const heading::calibration::Calibration& calibration);

    heading::HeadingService& service_;
    heading::HeadingSession& session_;
    heading::calibration::CalibrationTap& tap_;
    std::function<std::optional<double>()> reference_;
    QPointer<QWidget> window_;
    QPointer<CalibrationScreen> screen_;
};

}  // namespace platform::qt
