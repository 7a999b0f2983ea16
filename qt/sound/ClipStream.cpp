#include "qt/sound/ClipStream.h"

#include <algorithm>
#include <cstring>

namespace platform::qt {

ClipStream::ClipStream(QByteArray pcm, const QAudioFormat& format)
    : pcm_(std::move(pcm)),
      silence_(format.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : char(0)),
      frame_(std::max(1, format.bytesPerFrame())),
      second_(std::max<qint64>(frame_, format.bytesForDuration(1000000))),
      position_(pcm_.size()) {
    // Unbuffered: QIODevice would otherwise read 16 KiB ahead, and a restart would be heard
    // only after that much more of the old clip and silence.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void ClipStream::restart() {
    std::lock_guard lock(mutex_);
    position_ = 0;
}

bool ClipStream::finished() const {
    std::lock_guard lock(mutex_);
    return position_ >= pcm_.size();
}

qint64 ClipStream::bytesAvailable() const {
    return second_ + QIODevice::bytesAvailable();
}

qint64 ClipStream::readData(char* data, qint64 maxSize) {
    const qint64 size = maxSize - maxSize % frame_;
    if (size <= 0) return 0;
    std::lock_guard lock(mutex_);
    const qint64 clip = std::min(size, pcm_.size() - position_);
    if (clip > 0) {
        std::memcpy(data, pcm_.constData() + position_, static_cast<std::size_t>(clip));
        position_ += clip;
    }
    std::memset(data + std::max<qint64>(clip, 0), silence_,
                static_cast<std::size_t>(size - std::max<qint64>(clip, 0)));
    return size;
}

}  // namespace platform::qt
