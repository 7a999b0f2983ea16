#include "qt/sound/AudioWarnings.h"

#include <QSet>
#include <QtGlobal>
#include <cstdio>
#include <cstring>
#include <mutex>

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
    if (previous) {
        previous(type, context, message);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        std::fflush(stderr);
    }
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
