#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace platform::qt {

// Runs atDeadline (which quits the application's loop) once the given time has passed. A QTimer
// counts milliseconds in an int (about 24.8 days), so a longer wait is made of steps towards one
// fixed deadline.
class QuitTimer : public QObject {
  public:
    QuitTimer(std::chrono::duration<double> after, std::function<void()> atDeadline);

  private:
    void step();

    std::chrono::steady_clock::time_point deadline_;
    std::function<void()> atDeadline_;
    QTimer timer_;
};

}  // namespace platform::qt
