#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace platform::qt {

// Hands a message that a handler of ours lets through to the handler installed before it, or
// writes it to stderr as Qt's own would.
inline void passMessageOn(QtMessageHandler previous, QtMsgType type,
                          const QMessageLogContext& context, const QString& message) {
    if (previous) {
        previous(type, context, message);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        std::fflush(stderr);
    }
}

}  // namespace platform::qt
