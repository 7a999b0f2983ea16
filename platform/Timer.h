#pragma once

#include <functional>
#include <memory>

namespace platform {

// A tick on the main run loop. The run loop holds a scheduled timer until it is invalidated;
// the tick's target is never owned by the timer, so a timer cannot keep a screen alive.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void invalidate() = 0;
    virtual bool isValid() const = 0;
    virtual double timeInterval() const = 0;

    // The first tick comes interval seconds from now.
    static std::shared_ptr<Timer> scheduledTimer(double interval, std::function<void()> tick,
                                                 bool repeats);
};

}  // namespace platform
