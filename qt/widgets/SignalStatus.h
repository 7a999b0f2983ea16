#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

#include "heading/SampleSink.h"
#include "heading/SilenceLimit.h"

class QWidget;

namespace heading {
class HeadingService;
}

namespace platform::qt {

// Shows readings that have stopped coming as stale. The screens keep their last values when the
// source has an outage, which would pass for a steady field; so, while the source reports an
// outage or no sample has come for longer than the source's pace allows (see
// heading::SilenceLimit: a second at least), every readout of the window is dimmed and each
// screen carries a small status line ("No signal — trying again"). The next sample clears both.
class SignalStatus : public QObject, public heading::SampleSink {
    Q_OBJECT

  public:
    static constexpr int kCheckEveryMs = 250;
    // Dim, yet every readout keeps at least 3:1 against its background.
    static constexpr double kDimmedOpacity = 0.65;

    // Watches the samples it is given for the window's screens; starts at once. service says
    // whether a calibration takes the samples and how fast the source reads.
    SignalStatus(const heading::HeadingService& service, QWidget* window);

    bool isStale() const { return stale_; }
    // The sensor may not be read (access denied).
    bool isStopped() const { return stopped_; }
    // The replay reached the end of its file.
    bool hasEnded() const { return ended_; }
    // The status line shown now (empty when the readings are fresh).
    QString statusText() const { return stale_ ? text_ : QString(); }

    void onSample(const std::shared_ptr<const heading::Heading>& sample) override {
        sampleArrived(sample->timestamp);
    }
    void onError(const heading::LocationError& error) override { readingFailed(error); }

  private:
    void sampleArrived(double timestamp);
    void readingFailed(const heading::LocationError& error);
    void check();
    void setStale(bool stale, const QString& text);
    QString staleText() const;
    // Brings every screen of the window (a compass opened since included) in line with stale_.
    void showOnScreens();

    QPointer<QWidget> window_;
    const heading::HeadingService& service_;
    QElapsedTimer sinceSample_;
    heading::SilenceLimit limit_;
    QTimer checker_;
    bool stale_ = false;
    bool stopped_ = false;  // the source said it will not read again
    bool ended_ = false;    // the replay reached the end of its file
    QString text_;
};

}  // namespace platform::qt
