#include "qt/sound/AudioWarnings.h"

#include <QSet>
#include <QtGlobal>
#include <cstring>
#include <mutex>

#include "qt/PassMessageOn.h"

namespace platform::qt {

namespace {

QtMessageHandler previous = nullptr;
std::mutex seenMutex;  // audio backends warn from their own threads too
bool audioWarned = false;

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && isAudioWarning(context.category, message)) {
        std::lock_guard lock(seenMutex);
        if (audioWarned) return;
        audioWarned = true;
    }
    passMessageOn(previous, type, context, message);
}

}  // namespace

bool isAudioWarning(const char* category, const QString& message) {
    if (category && std::strncmp(category, "qt.multimedia", 13) == 0) return true;
    return message.startsWith(QLatin1String("PulseAudioService")) ||
           message.contains(QLatin1String("pa_context")) ||
           message.startsWith(QLatin1String("QAudioSink")) ||
           message.startsWith(QLatin1String("QAudioOutput"));
}

void keepAudioWarningsToOne() {
    static std::once_flag once;
    std::call_once(once, [] { previous = qInstallMessageHandler(handle); });
}

}  // namespace platform::qt
