#include "platform/Timer.h"

#include "platform/Platform.h"

namespace platform {

std::shared_ptr<Timer> Timer::scheduledTimer(double interval, std::function<void()> tick,
                                             bool repeats) {
    return Platform::current().scheduleTimer(interval, std::move(tick), repeats);
}

}  // namespace platform
