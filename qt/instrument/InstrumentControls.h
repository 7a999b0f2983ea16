#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <optional>

#include "instrument/Units.h"

class QSettings;
class QWidget;

namespace heading {
class HeadingService;
class HeadingSession;
}  // namespace heading

namespace instrument {
class Instrument;
}

namespace platform::qt {

class InstrumentBar;
class StatisticsStrip;
class StatusToast;
class WindowRecording;

// The instrument's controls around the meter's screen: the bar under the title, the statistics
// strip, the keys (H hold, Z zero, Shift+Z clear, S strip, R reset, Ctrl+R record) and the unit,
// kept in settings when chosen from the menu.
class InstrumentControls : public QObject {
    Q_OBJECT

  public:
    // unit: the run's unit from the command line; otherwise the one kept in settings.
    // documents: where recordings go; the user's Documents folder when empty.
    InstrumentControls(instrument::Instrument& instrument, heading::HeadingSession& session,
                       QSettings& settings, std::optional<instrument::Unit> unit,
                       const QString& documents = {});
    ~InstrumentControls() override;

    // Puts the controls under the meter's title and binds the keys.
    void attachTo(QWidget* window);

    void toggleHold();
    void zero();
    void clearZero();
    void toggleStrip();
    void resetStatistics();
    void toggleRecording();
    // remember: keep it for the next run.
    void chooseUnit(instrument::Unit unit, bool remember);

    InstrumentBar* bar() const;
    StatisticsStrip* strip() const;
    const WindowRecording& recording() const { return *recording_; }
    WindowRecording& recording() { return *recording_; }
    // The brief line shown now, if any.
    QString message() const;
    // Shows text briefly over the foot of the meter, and the marks as they are now.
    void say(const QString& text);
    bool isRecording() const;

  private:
    void showState();
    void applyUnit();
    // The field's readouts on screen (and the screens over it) say the unit.
    void speakUnit(QWidget* screen);

    instrument::Instrument& instrument_;
    heading::HeadingSession& session_;
    QSettings& settings_;
    std::unique_ptr<WindowRecording> recording_;
    QPointer<QWidget> window_;
    QPointer<InstrumentBar> bar_;
    QPointer<StatisticsStrip> strip_;
    QPointer<StatusToast> toast_;
    QTimer recordingClock_;  // the REC mark's time and count
};

}  // namespace platform::qt
