#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QIODevice>
#include <mutex>

namespace platform::qt {

// What an audio sink pulls while the alarm is armed: the clip from its start after each
// restart(), and silence otherwise. Never running dry keeps the stream going, so a clip shorter
// than the sink's start-up buffer is still played whole instead of being dropped with it.
class ClipStream : public QIODevice {
  public:
    ClipStream(QByteArray pcm, const QAudioFormat& format);

    // Plays the clip from its start at the next read; a clip still playing starts again.
    void restart();
    // True once the last restarted clip has been read out to the sink.
    bool finished() const;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    const QByteArray pcm_;
    const char silence_;
    const qint64 frame_;
    const qint64 second_;
    mutable std::mutex mutex_;  // the sink may pull from a thread of its own
    qint64 position_;
};

}  // namespace platform::qt
