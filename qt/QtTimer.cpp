#include "qt/QtTimer.h"

#include <algorithm>
#include <cmath>

#include "qt/EndLoopOnException.h"

namespace platform::qt {

QtTimer::QtTimer(double interval, std::function<void()> tick, bool repeats,
                 std::function<void()> onInvalid)
    : tick_(std::move(tick)),
      onInvalid_(std::move(onInvalid)),
      interval_(interval),
      repeats_(repeats) {
    // QTimer counts whole milliseconds in an int; a day is as long as anyone waits here.
    const double ms =
        std::isfinite(interval) ? std::clamp(interval * 1000.0, 0.0, 86400000.0) : 0.0;
    timer_.setInterval(static_cast<int>(std::lround(ms)));
    timer_.setSingleShot(!repeats);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { fire(); });
    timer_.start();
}

void QtTimer::fire() {
    if (!valid_) return;
    auto tick = tick_;  // the tick may invalidate its own timer
    if (!repeats_) invalidate();
    if (tick) endLoopOnException(tick);
}

void QtTimer::invalidate() {
    if (!valid_) return;
    valid_ = false;
    timer_.stop();
    tick_ = nullptr;
    if (onInvalid_) {
        auto done = std::move(onInvalid_);
        onInvalid_ = nullptr;
        done();
    }
}

}  // namespace platform::qt
