#pragma once

#include <QDBusConnection>
#include <QObject>
#include <memory>

namespace platform::qt {

// Keeps the desktop's screen saver from starting (org.freedesktop.ScreenSaver on the session
// bus) while inhibited. Where no session bus or no screen saver service exists, nothing happens.
class ScreenSaverInhibitor {
  public:
    // Asks the screen saver on bus (the session's unless told otherwise).
    explicit ScreenSaverInhibitor(QDBusConnection bus = QDBusConnection::sessionBus());
    ~ScreenSaverInhibitor();
    ScreenSaverInhibitor(const ScreenSaverInhibitor&) = delete;
    ScreenSaverInhibitor& operator=(const ScreenSaverInhibitor&) = delete;

    void setInhibited(bool inhibited);
    bool isInhibited() const { return wanted_; }
    // The screen saver has granted the inhibition and not been told to end it.
    bool isHolding() const { return holding_; }

  private:
    void request();
    void release();

    QDBusConnection bus_;
    std::unique_ptr<QObject> context_;
    bool wanted_ = false;
    bool pending_ = false;
    unsigned cookie_ = 0;
    bool holding_ = false;
};

}  // namespace platform::qt
