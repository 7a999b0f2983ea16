#include "qt/ScreenSaverInhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace platform::qt {

namespace {

QDBusMessage call(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("/org/freedesktop/ScreenSaver"),
                                          QStringLiteral("org.freedesktop.ScreenSaver"), method);
}

}  // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(QDBusConnection bus)
    : bus_(std::move(bus)), context_(std::make_unique<QObject>()) {}

ScreenSaverInhibitor::~ScreenSaverInhibitor() {
    wanted_ = false;
    release();
}

void ScreenSaverInhibitor::setInhibited(bool inhibited) {
    wanted_ = inhibited;
    if (wanted_)
        request();
    else
        release();
}

void ScreenSaverInhibitor::request() {
    if (holding_ || pending_) return;
    if (!bus_.isConnected()) return;
    QDBusMessage message = call(QStringLiteral("Inhibit"));
    message << QStringLiteral("fluxprobe") << QStringLiteral("Showing live readings");
    // Asynchronous: a slow or missing service never stalls the readings.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), context_.get());
    pending_ = true;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context_.get(),
                     [this](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         pending_ = false;
                         QDBusPendingReply<unsigned> reply = *w;
                         if (reply.isError()) return;
                         cookie_ = reply.value();
                         holding_ = true;
                         if (!wanted_) release();  // let go of while the answer was on its way
                     });
}

void ScreenSaverInhibitor::release() {
    if (!holding_) return;
    holding_ = false;
    if (!bus_.isConnected()) return;
    QDBusMessage message = call(QStringLiteral("UnInhibit"));
    message << cookie_;
    bus_.call(message, QDBus::NoBlock);
}

}  // namespace platform::qt
