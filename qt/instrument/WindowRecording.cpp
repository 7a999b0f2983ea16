#include "qt/instrument/WindowRecording.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "heading/Callbacks.h"
#include "heading/HeadingSession.h"
#include "heading/SourceError.h"
#include "heading/replay/Recorder.h"

namespace platform::qt {

QString recordingName(const QDateTime& when, int n) {
    const QString stamp = when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    return n <= 1 ? QStringLiteral("fluxprobe-%1.csv").arg(stamp)
                  : QStringLiteral("fluxprobe-%1-%2.csv").arg(stamp).arg(n);
}

WindowRecording::WindowRecording(heading::HeadingSession& session, QString folder)
    : session_(session), folder_(std::move(folder)) {
    if (session_.recording()) {
        recording_ = sessions_ = true;
        path_ = QString::fromStdString(session_.recordPath());
        elapsed_.start();
        samples_ = 0;
    }
}

WindowRecording::~WindowRecording() = default;

double WindowRecording::seconds() const {
    return recording_ ? static_cast<double>(elapsed_.elapsed()) / 1000.0 : 0.0;
}

void WindowRecording::onSample(const std::shared_ptr<const heading::Heading>& sample) {
    if (!recording_) return;
    if (recorder_) recorder_->record(*sample);
    ++samples_;
}

QString WindowRecording::toggle() {
    const QString said = recording_ ? stop() : start();
    emit changed();
    return said;
}

QString WindowRecording::start() {
    QString folder = folder_;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    if (!QDir().mkpath(folder)) return tr("Cannot record: cannot make the folder %1").arg(folder);
    const QDateTime now = QDateTime::currentDateTime();
    // A name that is taken is passed over; the recorder itself never replaces a file either.
    for (int n = 1; n < 1000 && !recorder_; ++n) {
        const QString path = QDir(folder).filePath(recordingName(now, n));
        if (QFileInfo::exists(path)) continue;
        try {
            recorder_ =
                std::make_unique<heading::Recorder>(path.toStdString(), heading::warnOnStderr);
            path_ = path;
        } catch (const heading::SourceError& e) {
            if (!QFileInfo::exists(path)) return tr("Cannot record: %1").arg(e.what());
        }
    }
    if (!recorder_) return tr("Cannot record: every name in %1 is taken").arg(folder);
    recording_ = true;
    elapsed_.start();
    samples_ = 0;
    heading::warnOnStderr("recording to " + path_.toStdString());
    return tr("Recording to %1").arg(path_);
}

QString WindowRecording::stop() {
    bool failed = false;
    if (sessions_) {
        session_.stopRecording();
        failed = session_.recordingFailed();
        sessions_ = false;
    } else if (recorder_) {
        recorder_->flush();
        failed = recorder_->failed();
        recorder_.reset();
    }
    recording_ = false;
    heading::warnOnStderr("recorded " + std::to_string(samples_) + " samples to " +
                          path_.toStdString());
    if (failed) return tr("Recording stopped early; %1 holds what was written").arg(path_);
    return tr("Saved %1 samples to %2").arg(samples_).arg(path_);
}

}  // namespace platform::qt
