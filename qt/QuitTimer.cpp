#include "qt/QuitTimer.h"

#include <algorithm>
#include <utility>

namespace platform::qt {

namespace {

// Far inside a QTimer's range, and short enough that a suspended machine catches up soon.
constexpr std::chrono::milliseconds kLongestStep = std::chrono::hours(1);

}  // namespace

QuitTimer::QuitTimer(std::chrono::duration<double> after, std::function<void()> atDeadline)
    : deadline_(std::chrono::steady_clock::now() +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(after)),
      atDeadline_(std::move(atDeadline)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &QuitTimer::step);
    step();
}

void QuitTimer::step() {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left <= std::chrono::milliseconds::zero()) {
        atDeadline_();
        return;
    }
    timer_.start(std::min(left, kLongestStep));
}

}  // namespace platform::qt
