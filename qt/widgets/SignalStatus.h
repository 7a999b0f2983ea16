#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include "heading/SignalWatch.h"

class QWidget;

namespace platform::qt {

// Shows readings that have stopped coming as stale. The screens keep their last values when the
// source has an outage, which would pass for a steady field; so, while the signal watch says the
// readings are stale, every readout of the window is dimmed and each screen carries a small
// status line ("No signal — trying again"). The next sample clears both.
class SignalStatus : public QObject {
    Q_OBJECT

  public:
    static constexpr int kCheckEveryMs = 250;
    // Dim, yet every readout keeps at least 3:1 against its background.
    static constexpr double kDimmedOpacity = 0.65;

    // Shows what watch says on the window's screens; looks at it at once and every
    // kCheckEveryMs.
    SignalStatus(heading::SignalWatch& watch, QWidget* window);
    ~SignalStatus() override;

    bool isStale() const { return watch_.isStale(); }
    // The sensor may not be read (access denied).
    bool isStopped() const { return watch_.isStopped(); }
    // The replay reached the end of its file.
    bool hasEnded() const { return watch_.hasEnded(); }
    // The status line shown now (empty when the readings are fresh).
    QString statusText() const { return QString::fromStdString(watch_.text()); }

  private:
    void check();
    // Brings every screen of the window (a compass opened since included) in line with the
    // watch.
    void showOnScreens();

    heading::SignalWatch& watch_;
    QPointer<QWidget> window_;
    QTimer checker_;
};

}  // namespace platform::qt
