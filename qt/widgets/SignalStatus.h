#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

#include "heading/SampleSink.h"

class QWidget;

namespace platform::qt {

// Shows readings that have stopped coming as stale. The screens keep their last values when the
// source has an outage, which would pass for a steady field; so, while the source reports an
// outage or no sample has come for a second, every readout of the window is dimmed and each
// screen carries a small status line ("No signal — trying again"). The next sample clears both.
class SignalStatus : public QObject, public heading::SampleSink {
    Q_OBJECT

  public:
    static constexpr int kStaleAfterMs = 1000;
    static constexpr int kCheckEveryMs = 250;
    static constexpr double kDimmedOpacity = 0.35;

    // Watches the samples it is given for the window's screens; starts at once.
    explicit SignalStatus(QWidget* window);
    ~SignalStatus() override;

    bool isStale() const { return stale_; }
    // The status line shown now (empty when the readings are fresh).
    QString statusText() const { return stale_ ? text_ : QString(); }

    void onSample(const std::shared_ptr<const heading::Heading>&) override { sampleArrived(); }
    void onError(const heading::LocationError& error) override { readingFailed(error); }

  private:
    void sampleArrived();
    void readingFailed(const heading::LocationError& error);
    void check();
    void setStale(bool stale, const QString& text);
    QString staleText() const;
    // Brings every screen of the window (a compass opened since included) in line with stale_.
    void showOnScreens();

    QPointer<QWidget> window_;
    QElapsedTimer sinceSample_;
    QTimer checker_;
    bool stale_ = false;
    bool stopped_ = false;  // the source said it will not read again
    bool ended_ = false;    // the replay reached the end of its file
    QString text_;
};

}  // namespace platform::qt
