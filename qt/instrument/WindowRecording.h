#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "heading/SampleSink.h"

namespace heading {
class HeadingSession;
class Recorder;
}  // namespace heading

namespace platform::qt {

// Recording started and stopped from the window: every delivered sample into a new file in the
// user's Documents folder, fluxprobe-YYYYMMDD-HHMMSS.csv (-2, -3 … when taken), written as
// --record writes, so it replays even after a crash. --record's own recording shows here too, and
// stopping it here ends it. A station of the sample road: it takes every sample and keeps those
// that come while it records.
class WindowRecording : public QObject, public heading::SampleSink {
    Q_OBJECT

  public:
    // folder: where new recordings go; the user's Documents folder when empty.
    explicit WindowRecording(heading::HeadingSession& session, QString folder = {});
    ~WindowRecording() override;

    bool isRecording() const { return recording_; }
    // The file being written, or the last one written.
    const QString& path() const { return path_; }
    std::uint64_t samples() const { return samples_; }
    double seconds() const;

    // Starts a recording or stops the one running; returns a short line saying what happened.
    QString toggle();

    void onSample(const std::shared_ptr<const heading::Heading>& sample) override;
    void onError(const heading::LocationError&) override {}

  signals:
    void changed();

  private:
    QString start();
    QString stop();

    heading::HeadingSession& session_;
    QString folder_;
    std::unique_ptr<heading::Recorder> recorder_;
    bool recording_ = false;
    bool sessions_ = false;  // the recording is --record's
    std::uint64_t samples_ = 0;
    QElapsedTimer elapsed_;
    QString path_;
};

// fluxprobe-YYYYMMDD-HHMMSS.csv for the time given, with -N before .csv from the second on.
QString recordingName(const QDateTime& when, int n);

}  // namespace platform::qt
