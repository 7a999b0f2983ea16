#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QString>
#include <optional>

namespace platform::qt {

// A sound file's samples, ready for an audio sink: uncompressed WAV (PCM 8, 16 or 32 bit, or
// 32-bit float), any rate, one or more channels.
struct WavClip {
    QAudioFormat format;
    QByteArray pcm;  // whole frames only

    // Reads a WAV file; nullopt (with why set) when it is not one we can play.
    static std::optional<WavClip> load(const QString& path, QString* why = nullptr);
    static std::optional<WavClip> parse(const QByteArray& bytes, QString* why = nullptr);
};

}  // namespace platform::qt
