#include "platform/qt/QtSound.h"

#include <QUrl>

namespace platform::qt {

QtSound::QtSound(const QString& path) {
    effect_.setSource(QUrl::fromLocalFile(path));
    effect_.setVolume(0.6f);
}

void QtSound::play() {
    if (effect_.status() == QSoundEffect::Error) return;
    effect_.play();
}

}  // namespace platform::qt
