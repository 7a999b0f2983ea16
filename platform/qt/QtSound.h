#pragma once

#include <QSoundEffect>
#include <QString>

#include "platform/Sound.h"

namespace platform::qt {

// A short sound on QSoundEffect. Where there is no audio device the effect ends in its error
// state and play() stays silent.
class QtSound : public Sound {
  public:
    explicit QtSound(const QString& path);
    void play() override;

  private:
    QSoundEffect effect_;
};

}  // namespace platform::qt
