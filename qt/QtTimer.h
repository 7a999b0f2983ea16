#pragma once

#include <QTimer>
#include <functional>

#include "platform/Timer.h"

namespace platform::qt {

// A Timer on a QTimer. The platform holds it while it is valid; a one-shot timer becomes
// invalid when it fires, a repeating one when it is invalidated.
class QtTimer : public Timer {
  public:
    QtTimer(double interval, std::function<void()> tick, bool repeats,
            std::function<void()> onInvalid);

    void invalidate() override;
    bool isValid() const override { return valid_; }
    double timeInterval() const override { return interval_; }

  private:
    void fire();

    QTimer timer_;
    std::function<void()> tick_;
    std::function<void()> onInvalid_;
    double interval_;
    bool repeats_;
    bool valid_ = true;
};

}  // namespace platform::qt
