#include "heading/replay/ReplaySource.h"

#include <chrono>
#include <utility>

#include "heading/HeadingMath.h"
#include "heading/SampleChannel.h"
#include "heading/replay/ReplayFile.h"
#include "heading/replay/ReplayFormat.h"

namespace heading {

ReplaySource::ReplaySource(const std::string& path, std::optional<double> declination, Warn warn)
    : path_(path), warn_(std::move(warn)), samples_(ReplayFile::read(path)) {
    for (auto& h : samples_) {
        if (declination) h.trueHeading = trueHeadingFrom(h.magneticHeading, declination);
        gravity_ = gravity_ || carriesGravity(h);
    }
}

ReplaySource::~ReplaySource() {
    stop();
}

void ReplaySource::start(std::shared_ptr<SampleChannel> channel) {
    thread_.start([this, channel = std::move(channel)](std::stop_token st) { run(st, channel); });
}

void ReplaySource::stop() {
    thread_.stop();
}

std::string ReplaySource::describe() const {
    return "replay " + path_ + " (" + std::to_string(samples_.size()) + " samples)";
}

void ReplaySource::run(std::stop_token stop, std::shared_ptr<SampleChannel> channel) {
    using Clock = std::chrono::steady_clock;
    constexpr std::size_t kMaxBatch = 4096;
    const auto start = Clock::now();
    const double t0 = samples_.empty() ? 0.0 : samples_.front().timestamp;
    const auto dueAt = [&](const heading::Heading& h) {
        return start + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(h.timestamp - t0));
    };
    std::vector<heading::Heading> batch;
    std::size_t next = 0;
    while (next < samples_.size()) {
        {
            std::unique_lock lock(mutex_);
            if (wake_.wait_until(lock, stop, dueAt(samples_[next]), [] { return false; }) ||
                stop.stop_requested())
                return;
        }
        // Everything due by now goes together; a late wake-up never drops a sample.
        const auto now = Clock::now();
        batch.clear();
        do {
            batch.push_back(samples_[next++]);
        } while (next < samples_.size() && batch.size() < kMaxBatch &&
                 dueAt(samples_[next]) <= now);
        channel->push(batch);
    }
    if (warn_)
        warn_("replay of " + path_ + " finished after " + std::to_string(samples_.size()) +
              " samples");
    // After the last sample, so that the screens say the replay ended rather than wait for more.
    channel->pushError({heading::LocationError::kEnded, {}});
}

}  // namespace heading
