#include "qt/sound/QtSound.h"

#include <QAudioDevice>
#include <QMediaDevices>

#include "qt/sound/AudioTeardown.h"
#include "qt/sound/AudioWarnings.h"

namespace platform::qt {

namespace {
constexpr float kVolume = 0.6f;
}

QtSound::QtSound(WavClip clip) : format_(clip.format), stream_(std::move(clip.pcm), format_) {
    keepAudioWarningsToOne();
    hold_.setSingleShot(true);
    QObject::connect(&hold_, &QTimer::timeout, &hold_, [this] {
        const qint64 quiet = sincePlay_.elapsed();
        if (quiet < kHoldMilliseconds)  // played again meanwhile
            hold_.start(static_cast<int>(kHoldMilliseconds - quiet));
        else if (stream_.finished())
            release();
        else
            hold_.start(kHoldMilliseconds);
    });
}

QtSound::~QtSound() {
    release();
}

bool QtSound::streaming() const {
    return sink_ && sink_->state() != QAudio::StoppedState;
}

void QtSound::play() {
    stream_.restart();
    if (sink_ && sink_->state() == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
        // The output failed after it opened (its server went away): like an output that could
        // not be opened, it is looked for again only after a while, not at every alarm.
        sink_.reset();
        sinceFailure_.start();
    }
    if (!streaming() && !openSink()) return;
    // A fast source plays on every sample: the hold is counted from the last play when it
    // ends, not restarted each time.
    sincePlay_.start();
    if (!hold_.isActive()) hold_.start(kHoldMilliseconds);
}

bool QtSound::openSink() {
    if (sinceFailure_.isValid() && sinceFailure_.elapsed() < kRetryMilliseconds) return false;
    noteAudioEngineStarted();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        sinceFailure_.start();
        return false;
    }
    sink_ = std::make_unique<QAudioSink>(device, format_);
    sink_->setVolume(kVolume);
    sink_->start(&stream_);
    if (sink_->state() == QAudio::StoppedState) {
        sink_.reset();
        sinceFailure_.start();
        return false;
    }
    sinceFailure_.invalidate();
    return true;
}

void QtSound::release() {
    hold_.stop();
    if (sink_) sink_->stop();
    sink_.reset();
}

}  // namespace platform::qt
