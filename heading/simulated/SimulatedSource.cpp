#include "heading/simulated/SimulatedSource.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "heading/SampleChannel.h"
#include "heading/UtcTime.h"
#include "heading/simulated/SimulatedField.h"

namespace heading {

SimulatedSource::SimulatedSource(double rate, std::optional<double> declination,
                                 SimulatedMotion motion)
    : rate_(rate), declination_(declination), motion_(motion) {}

SimulatedSource::~SimulatedSource() {
    stop();
}

void SimulatedSource::start(std::shared_ptr<SampleChannel> channel) {
    thread_.start([this, channel = std::move(channel)](std::stop_token st) { run(st, channel); });
}

void SimulatedSource::stop() {
    thread_.stop();
}

std::string SimulatedSource::describe() const {
    char text[128];
    int used =
        std::snprintf(text, sizeof text, "simulated %g Hz%s%s", rate_,
                      motion_.tumble ? ", tumbling" : "", motion_.distorted() ? ", distorted" : "");
    if (motion_.humAmplitude != 0.0 && used > 0 && static_cast<std::size_t>(used) < sizeof text)
        std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used),
                      ", humming %g Hz at %g µT", motion_.humHz, motion_.humAmplitude);
    return text;
}

void SimulatedSource::run(std::stop_token stop, std::shared_ptr<SampleChannel> channel) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    // The field is made on the steady clock; its UTC times count from the system clock's now.
    const double utcBase = utcNow();
    const auto oneSecond = static_cast<std::uint64_t>(std::ceil(rate_));
    std::uint64_t next = 0;
    std::vector<heading::Heading> batch;
    // Waking for every sample of a fast source costs more than the samples: wake at most once a
    // 60 Hz display frame and hand over what fell due meanwhile; the screens show no more than
    // that, and paint each such batch as soon as it is in.
    constexpr auto kMinWakeInterval = std::chrono::microseconds(16667);
    // Wakes keep to that beat rather than counting from each late wake, which would drift to
    // fewer than 60 a second.
    auto lastDue = start - kMinWakeInterval;
    while (!stop.stop_requested()) {
        const auto due =
            std::max(start + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(static_cast<double>(next) / rate_)),
                     lastDue + kMinWakeInterval);
        lastDue = std::max(due, Clock::now());  // after a stall, the beat starts again from now
        {
            std::unique_lock lock(mutex_);
            if (wake_.wait_until(lock, stop, due, [] { return false; }) || stop.stop_requested())
                break;
        }
        // Every sample due by now, at most one second's worth.
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        auto last = static_cast<std::uint64_t>(std::floor(elapsed * rate_));
        if (last < next) last = next;
        if (last - next >= oneSecond) {
            channel->dropped(last + 1 - oneSecond - next);
            next = last + 1 - oneSecond;
        }
        if (channel->backlog() >= oneSecond) {  // the main loop is behind: let it catch up
            channel->dropped(last + 1 - next);
            next = last + 1;
            continue;
        }
        batch.clear();
        for (; next <= last; ++next) {
            batch.push_back(SimulatedField::sample(next, rate_, declination_, motion_));
            batch.back().utc = utcBase + batch.back().timestamp;
        }
        channel->push(batch);
    }
}

}  // namespace heading
