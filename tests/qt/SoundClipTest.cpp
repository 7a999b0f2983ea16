#include <gtest/gtest.h>

#include <QtEndian>
#include <cstring>

#include "qt/sound/AudioWarnings.h"
#include "qt/sound/ClipStream.h"
#include "qt/sound/WavClip.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::ClipStream;
using platform::qt::WavClip;

QByteArray u16(quint16 v) {
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray u32(quint32 v) {
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray chunk(const char* id, const QByteArray& body) {
    QByteArray c = QByteArray(id, 4) + u32(static_cast<quint32>(body.size())) + body;
    if (body.size() % 2) c += '\0';
    return c;
}

QByteArray fmt(quint16 code, quint16 channels, quint32 rate, quint16 bits) {
    const quint16 block = static_cast<quint16>(channels * bits / 8);
    return chunk(
        "fmt ", u16(code) + u16(channels) + u32(rate) + u32(rate * block) + u16(block) + u16(bits));
}

QByteArray riff(const QByteArray& chunks) {
    return "RIFF" + u32(static_cast<quint32>(4 + chunks.size())) + "WAVE" + chunks;
}

TEST(WavClip, ReadsTheBundledBeep) {
    QString why;
    auto clip = WavClip::load(QStringLiteral(FLUXPROBE_RESOURCE_DIR "/beep.wav"), &why);
    ASSERT_TRUE(clip) << why.toStdString();
    EXPECT_EQ(clip->format.sampleFormat(), QAudioFormat::Int16);
    EXPECT_EQ(clip->format.channelCount(), 1);
    EXPECT_EQ(clip->format.sampleRate(), 44100);
    EXPECT_EQ(clip->format.durationForBytes(clip->pcm.size()), 120000);
}

TEST(WavClip, TakesPlainEncodingsSkipsUnknownChunksAndKeepsWholeFrames) {
    const QByteArray pcm("\x01\x02\x03\x04\x05\x06\x07", 7);
    struct Case {
        quint16 code, channels, bits;
        QAudioFormat::SampleFormat expected;
        qsizetype bytes;  // whole frames of the 7 given
    };
    for (const Case& c :
         {Case{1, 1, 8, QAudioFormat::UInt8, 7}, Case{1, 2, 16, QAudioFormat::Int16, 4},
          Case{1, 1, 32, QAudioFormat::Int32, 4}, Case{3, 1, 32, QAudioFormat::Float, 4}}) {
        const QByteArray file =
            riff(fmt(c.code, c.channels, 8000, c.bits) + chunk("LIST", "abc") + chunk("data", pcm));
        QString why;
        auto clip = WavClip::parse(file, &why);
        ASSERT_TRUE(clip) << c.code << "/" << c.bits << ": " << why.toStdString();
        EXPECT_EQ(clip->format.sampleFormat(), c.expected);
        EXPECT_EQ(clip->format.channelCount(), c.channels);
        EXPECT_EQ(clip->pcm, pcm.left(c.bytes));
    }
}

TEST(WavClip, AFileCutShortPlaysWhatItHas) {
    QByteArray file = riff(fmt(1, 1, 8000, 16) + chunk("data", QByteArray(100, '\x11')));
    file.chop(51);  // half a frame goes too
    auto clip = WavClip::parse(file);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->pcm.size(), 48);
}

TEST(WavClip, RefusesWhatItCannotPlayAndSaysWhy) {
    const QByteArray samples = chunk("data", QByteArray(8, '\0'));
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* why;
    };
    for (const Case& c : {
             Case{"empty", QByteArray(), "not a WAV file"},
             Case{"text", QByteArray("hello, this is not a sound at all"), "not a WAV file"},
             Case{"no format", riff(chunk("LIST", "abcd")), "no format chunk"},
             Case{"samples first", riff(samples + fmt(1, 1, 8000, 16)), "before their format"},
             Case{"compressed", riff(fmt(2, 1, 8000, 4) + samples), "not plain PCM"},
             Case{"24 bit", riff(fmt(1, 1, 8000, 24) + samples), "not plain PCM"},
             Case{"no channels", riff(fmt(1, 0, 8000, 16) + samples), "0 channels"},
             Case{"no samples", riff(fmt(1, 1, 8000, 16) + chunk("data", {})), "no samples"},
             Case{"format cut", riff(chunk("fmt ", QByteArray(6, '\1'))), "cut short"},
         }) {
        QString why;
        EXPECT_FALSE(WavClip::parse(c.bytes, &why)) << c.what;
        EXPECT_TRUE(why.contains(QLatin1String(c.why))) << c.what << ": " << why.toStdString();
    }
    QString why;
    EXPECT_FALSE(WavClip::load(QStringLiteral("/nonexistent/beep.wav"), &why));
    EXPECT_FALSE(why.isEmpty());
}

// What a sink pulling from the stream gets.
QByteArray pull(ClipStream& s, qint64 n) {
    QByteArray out(n, '\x55');
    const qint64 got = s.read(out.data(), n);
    out.truncate(got < 0 ? 0 : got);
    return out;
}

TEST(ClipStream, GivesSilenceUntilRestartedThenTheClipOnceThenSilenceAgain) {
    QAudioFormat format;
    format.setSampleFormat(QAudioFormat::Int16);
    format.setChannelCount(1);
    format.setSampleRate(8000);
    const QByteArray clip("\x01\x00\x02\x00\x03\x00", 6);
    ClipStream s(clip, format);
    EXPECT_TRUE(s.finished());
    EXPECT_EQ(pull(s, 4), QByteArray(4, '\0'));  // never runs dry: the stream keeps going

    s.restart();
    EXPECT_FALSE(s.finished());
    EXPECT_EQ(pull(s, 4), clip.left(4));
    s.restart();  // a restart in the middle starts from the top
    EXPECT_EQ(pull(s, 8), clip + QByteArray(2, '\0'));
    EXPECT_TRUE(s.finished());
    EXPECT_EQ(pull(s, 5), QByteArray(4, '\0'));  // whole frames only
    EXPECT_GT(s.bytesAvailable(), 0);
}

TEST(ClipStream, SilenceOfUnsignedSamplesIsTheMidpoint) {
    QAudioFormat format;
    format.setSampleFormat(QAudioFormat::UInt8);
    format.setChannelCount(1);
    format.setSampleRate(8000);
    ClipStream s(QByteArray("\xff", 1), format);
    s.restart();
    EXPECT_EQ(pull(s, 3), QByteArray("\xff\x80\x80", 3));
}

}  // namespace
}  // namespace fluxprobe_qt_test

namespace fluxprobe_qt_test {
namespace {

// However often the audio backend complains, stderr gets its complaint once; the rest of what Qt
// says passes untouched.
TEST(AudioWarnings, TheAudioSystemsComplaintIsToldOnceAndOtherWarningsAllPass) {
    EXPECT_TRUE(
        platform::qt::isAudioWarning("default", "PulseAudioService: pa_context_connect() failed"));
    EXPECT_TRUE(platform::qt::isAudioWarning("qt.multimedia.pulseaudio.output", "stream error"));
    EXPECT_FALSE(
        platform::qt::isAudioWarning("default", "QStandardPaths: XDG_RUNTIME_DIR not set"));

    platform::qt::keepAudioWarningsToOne();
    platform::qt::keepAudioWarningsToOne();  // installing twice changes nothing
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        qWarning("PulseAudioService: pa_context_connect() failed");
        qWarning("a warning of the program's own");
    }
    const std::string out = testing::internal::GetCapturedStderr();
    auto count = [&out](const std::string& what) {
        std::size_t n = 0;
        for (auto at = out.find(what); at != std::string::npos; at = out.find(what, at + 1)) ++n;
        return n;
    };
    // Another test may have made the backend complain already, for real.
    EXPECT_LE(count("pa_context_connect"), 1u) << out;
    EXPECT_EQ(count("a warning of the program's own"), 3u) << out;
}

}  // namespace
}  // namespace fluxprobe_qt_test
