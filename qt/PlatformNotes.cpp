#include "qt/PlatformNotes.h"

#include <QtGlobal>
#include <mutex>

#include "qt/PassMessageOn.h"

namespace platform::qt {

namespace {

QtMessageHandler previous = nullptr;

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && isPlatformNote(message)) return;
    passMessageOn(previous, type, context, message);
}

}  // namespace

bool isPlatformNote(const QString& message) {
    return message == QLatin1String("This plugin does not support propagateSizeHints()");
}

void dropPlatformNotes() {
    static std::once_flag once;
    std::call_once(once, [] { previous = qInstallMessageHandler(handle); });
}

}  // namespace platform::qt
