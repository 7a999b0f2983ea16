#include "qt/sound/WavClip.h"

#include <QFile>
#include <cstdint>

namespace platform::qt {

namespace {

constexpr quint16 kPcm = 1;
constexpr quint16 kFloat = 3;
constexpr quint16 kExtensible = 0xFFFE;

quint32 le(const QByteArray& b, qsizetype at, int bytes) {
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<quint8>(b[at + i]);
    return v;
}

std::optional<WavClip> refuse(QString* why, const QString& text) {
    if (why) *why = text;
    return std::nullopt;
}

}  // namespace

std::optional<WavClip> WavClip::load(const QString& path, QString* why) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return refuse(why, file.errorString());
    return parse(file.readAll(), why);
}

std::optional<WavClip> WavClip::parse(const QByteArray& bytes, QString* why) {
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return refuse(why, QStringLiteral("not a WAV file"));

    quint16 code = 0, channels = 0, bits = 0;
    quint32 rate = 0;
    bool haveFormat = false;
    QByteArray data;
    bool haveData = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size() && !haveData) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = le(bytes, at + 4, 4);
        const qsizetype body = at + 8;
        // A file cut short keeps what it has: a clipped beep is better than none.
        const qsizetype available = std::min<qsizetype>(size, bytes.size() - body);
        if (id == "fmt ") {
            if (available < 16) return refuse(why, QStringLiteral("its format chunk is cut short"));
            code = static_cast<quint16>(le(bytes, body, 2));
            channels = static_cast<quint16>(le(bytes, body + 2, 2));
            rate = le(bytes, body + 4, 4);
            bits = static_cast<quint16>(le(bytes, body + 14, 2));
            if (code == kExtensible && available >= 26)
                code = static_cast<quint16>(le(bytes, body + 24, 2));
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return refuse(why, QStringLiteral("its samples come before their format"));
            data = bytes.mid(body, available);
            haveData = true;
        }
        at = body + qsizetype(size) + (size & 1);
    }
    if (!haveFormat) return refuse(why, QStringLiteral("it has no format chunk"));

    QAudioFormat::SampleFormat sample = QAudioFormat::Unknown;
    if (code == kPcm && bits == 8) sample = QAudioFormat::UInt8;
    if (code == kPcm && bits == 16) sample = QAudioFormat::Int16;
    if (code == kPcm && bits == 32) sample = QAudioFormat::Int32;
    if (code == kFloat && bits == 32) sample = QAudioFormat::Float;
    if (sample == QAudioFormat::Unknown)
        return refuse(why, QStringLiteral("its encoding (format %1, %2 bits) is not plain PCM")
                               .arg(code)
                               .arg(bits));
    if (channels == 0 || channels > 8 || rate < 1000 || rate > 384000)
        return refuse(why, QStringLiteral("%1 channels at %2 Hz").arg(channels).arg(rate));

    WavClip clip;
    clip.format.setSampleFormat(sample);
    clip.format.setChannelCount(channels);
    clip.format.setSampleRate(static_cast<int>(rate));
    const qsizetype frame = clip.format.bytesPerFrame();
    data.truncate(data.size() - data.size() % frame);
    if (data.isEmpty()) return refuse(why, QStringLiteral("it holds no samples"));
    clip.pcm = std::move(data);
    return clip;
}

}  // namespace platform::qt
