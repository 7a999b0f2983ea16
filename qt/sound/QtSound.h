#pragma once

#include <QAudioSink>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>

#include "platform/Sound.h"
#include "qt/sound/ClipStream.h"
#include "qt/sound/WavClip.h"

namespace platform::qt {

// A short sound on the default audio output. play() starts the clip again from its start. The
// output stream opens at the first play and stays open, playing silence between clips, until
// the sound has been quiet for kHoldMilliseconds: a clip is never cut off by a stream that
// starts or stops under it. Where there is no audio output the sound is silent, and it looks
// for one again at a later play.
class QtSound : public Sound {
  public:
    static constexpr int kHoldMilliseconds = 2000;
    static constexpr int kRetryMilliseconds = 5000;

    explicit QtSound(WavClip clip);
    ~QtSound() override;
    void play() override;

  private:
    bool streaming() const;
    bool openSink();
    void release();

    QAudioFormat format_;
    ClipStream stream_;
    std::unique_ptr<QAudioSink> sink_;
    QTimer hold_;
    QElapsedTimer sinceFailure_;
    QElapsedTimer sincePlay_;
};

}  // namespace platform::qt
